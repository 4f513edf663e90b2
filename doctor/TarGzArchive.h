#pragma once
// A .tar.gz written through libarchive, its members under one folder, the
// file private to the user from the start (it holds the host's addresses).
// It is written to a new file of its own beside the output and renamed over
// the output only once complete: what was at the output stays as it was
// until then, and whatever fails, only that new file is removed.

#include <cstdint>
#include <string>
#include <string_view>

struct archive;

namespace lumiq::doctor {

// Why an archive may not be written to `path`: something is there that is
// not a regular file (a device, a FIFO, a folder, a symbolic link, whose
// target is never written through). Empty when nothing is there, or a
// regular file, which a finished archive replaces.
std::string RefusedArchivePath(const std::string& path);

class TarGzArchive {
public:
    // Throws std::runtime_error when the file cannot be made, or the path is refused.
    TarGzArchive(const std::string& path, std::string folder);
    // An archive not finished is removed: half an archive helps nobody.
    ~TarGzArchive();
    TarGzArchive(const TarGzArchive&) = delete;
    TarGzArchive& operator=(const TarGzArchive&) = delete;

    void addBytes(const std::string& name, std::string_view bytes);
    // The file's bytes as they are now; its size. Throws when it cannot be read.
    std::uintmax_t addFile(const std::string& name, const std::string& path);
    // Completes the archive and puts it at the path.
    void finish();

private:
    void header(const std::string& name, std::uintmax_t size);
    void write(const char* data, std::size_t size);
    [[noreturn]] void fail(const std::string& what);
    // Frees the archive and removes the new file unless it was put in place.
    void discard();

    std::string path_;
    std::string writing_; // the new file beside path_, until finish() renames it
    std::string folder_;
    archive* archive_ = nullptr;
    int fd_ = -1;
    bool finished_ = false;
};

} // namespace lumiq::doctor
