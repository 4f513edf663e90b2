#pragma once
// Texts from modules, files and the system, made safe to show on a terminal.
// A module's name or MAC text, a value in a file, an argument: any of them
// may hold bytes that a terminal obeys (ESC sequences that clear the screen,
// move the cursor or write the clipboard, C1 controls such as 0x9b, which
// some terminals take as an ESC [) or bytes that are not UTF-8. They are
// shown escaped instead, so that what is shown is what the text holds:
//   backslash            \\                    (so that an escape is never ambiguous)
//   tab, line feed, CR   \t \n \r
//   other C0, DEL, C1    \xNN (the character's number, 0x00-0x1f, 0x7f, 0x80-0x9f)
//   a byte not UTF-8     \xNN (the byte)
//   U+2028, U+2029 and the direction overrides U+202A-U+202E, U+2066-U+2069
//                        \uNNNN (they reorder or break what follows)
// Everything else, Chinese included, is shown as it is.

#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

namespace lumiq::cli {

std::string TerminalText(std::string_view text);

// While it lives, everything written to std::cerr goes out through
// TerminalText, line by line (the line ends themselves pass): every message
// of lumiq, and of the libraries it uses, that quotes a value.
class EscapedStderr {
public:
    EscapedStderr();
    ~EscapedStderr(); // writes what is left and puts std::cerr back
    EscapedStderr(const EscapedStderr&) = delete;
    EscapedStderr& operator=(const EscapedStderr&) = delete;

    class Buffer;

private:
    std::unique_ptr<Buffer> buffer_;
    std::streambuf* original_;
};

} // namespace lumiq::cli
