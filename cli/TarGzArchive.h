#pragma once
// A .tar.gz written through libarchive, its members under one folder, the
// file private to the user from the start (it holds the host's addresses).

#include <cstdint>
#include <string>
#include <string_view>

struct archive;

namespace lumiq::cli {

class TarGzArchive {
public:
    // Throws std::runtime_error when the file cannot be made.
    TarGzArchive(const std::string& path, std::string folder);
    // An archive not finished is removed: half an archive helps nobody.
    ~TarGzArchive();
    TarGzArchive(const TarGzArchive&) = delete;
    TarGzArchive& operator=(const TarGzArchive&) = delete;

    void addBytes(const std::string& name, std::string_view bytes);
    // The file's bytes as they are now; its size. Throws when it cannot be read.
    std::uintmax_t addFile(const std::string& name, const std::string& path);
    void finish();

private:
    void header(const std::string& name, std::uintmax_t size);
    void write(const char* data, std::size_t size);
    [[noreturn]] void fail(const std::string& what);

    std::string path_;
    std::string folder_;
    archive* archive_ = nullptr;
    int fd_ = -1;
    bool finished_ = false;
};

} // namespace lumiq::cli
