#pragma once
// Files a user hands lumiq to read (profiles, identity tables, target lists),
// read whole before anything is sent. Only a regular file is read: a FIFO
// would block the run for as long as nobody writes to it, a device such as
// /dev/zero would never end, and a folder holds no text. Nothing is opened
// before its kind is known, and the kind is checked again on what was
// opened, so that a path swapped in between is refused all the same.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lumiq::fleet {

// Bad input in a file. what(): "FILE:LINE: ..." (or "FILE: ..." for the whole file).
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Far more than any real list of modules or settings needs.
inline constexpr std::size_t kMaxInputFileBytes = std::size_t{16} << 20;

// The whole file. Throws InputError naming the path for a file that is
// missing or unreadable, not a regular file, or larger than
// kMaxInputFileBytes; `what` names the kind of file ("a profile") in the
// message.
std::string ReadInputFile(const std::string& path, std::string_view what);

// How a table or list was saved. A spreadsheet in a Chinese locale saves CSV
// as GBK, elsewhere as UTF-8, often with a byte-order mark.
enum class TextEncoding : unsigned char { Utf8, Utf8WithMark, Gbk };

// "UTF-8", "UTF-8 with a byte-order mark", "GBK"
std::string_view TextEncodingName(TextEncoding encoding);

struct InputText {
    std::string text; // UTF-8, without a byte-order mark
    TextEncoding encoding = TextEncoding::Utf8;
};

// The file's text in UTF-8: taken as UTF-8 when it has a byte-order mark or
// is valid UTF-8, otherwise as GBK. Throws InputError as ReadInputFile does,
// and for bytes that are neither.
InputText ReadInputText(const std::string& path, std::string_view what);

} // namespace lumiq::fleet
