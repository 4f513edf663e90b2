#pragma once
// Whole-file reading and an all-or-nothing replacement of a file's contents.

#include <optional>
#include <string>
#include <string_view>

namespace lumiq {

// The file's bytes; std::nullopt when it does not exist. Throws
// std::system_error when it exists but cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes `contents` to a new file in the same folder, flushes it to disk and
// renames it over `path`. A reader sees the old file or the new one, never a
// part; when anything fails (or the program dies midway) the old file stays
// as it was and no temporary file is left behind. A symbolic link at `path`
// is kept: the file it points to is replaced. An existing file keeps its
// permission bits. Throws std::system_error.
void ReplaceFileContents(const std::string& path, std::string_view contents);

} // namespace lumiq
