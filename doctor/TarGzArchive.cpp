#include "doctor/TarGzArchive.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace lumiq::doctor {

std::string RefusedArchivePath(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode))
        return {};
    const char* what = S_ISLNK(info.st_mode)                            ? "a symbolic link"
                       : S_ISDIR(info.st_mode)                          ? "a folder"
                       : S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? "a device"
                       : S_ISFIFO(info.st_mode)                         ? "a FIFO"
                                                                        : "not a regular file";
    return path + " is " + what + ": the archive goes only to a new file or replaces a regular one";
}

TarGzArchive::TarGzArchive(const std::string& path, std::string folder)
    : path_(path), folder_(std::move(folder)) {
    if (const std::string refused = RefusedArchivePath(path); !refused.empty())
        throw std::runtime_error(refused);
    // Beside the output, so that the rename stays on one file system.
    const std::filesystem::path output(path);
    const std::filesystem::path besides = output.has_parent_path() ? output.parent_path() : ".";
    std::string name = (besides / ("." + output.filename().string() + ".XXXXXX")).string();
    // mkostemp makes the file new (O_EXCL) and private (0600).
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0)
        throw std::runtime_error("cannot create a file beside " + path + ": " + std::strerror(errno));
    writing_ = name;
    archive_ = archive_write_new();
    if (archive_ == nullptr || archive_write_add_filter_gzip(archive_) != ARCHIVE_OK ||
        archive_write_set_format_pax_restricted(archive_) != ARCHIVE_OK ||
        archive_write_open_fd(archive_, fd_) != ARCHIVE_OK) {
        // No destructor runs for an archive that was never made.
        std::string failure = path + ": cannot start the archive";
        if (const char* reason = archive_ != nullptr ? archive_error_string(archive_) : nullptr)
            failure += std::string(": ") + reason;
        discard();
        throw std::runtime_error(failure);
    }
}

TarGzArchive::~TarGzArchive() {
    discard();
}

void TarGzArchive::discard() {
    if (archive_ != nullptr)
        archive_write_free(archive_);
    archive_ = nullptr;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!finished_ && !writing_.empty())
        ::unlink(writing_.c_str());
    writing_.clear();
}

void TarGzArchive::fail(const std::string& what) {
    const char* reason = archive_ != nullptr ? archive_error_string(archive_) : nullptr;
    throw std::runtime_error(path_ + ": " + what +
                             (reason != nullptr ? std::string(": ") + reason : std::string()));
}

void TarGzArchive::header(const std::string& name, std::uintmax_t size) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, (folder_ + "/" + name).c_str());
    archive_entry_set_size(entry, static_cast<la_int64_t>(size));
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0600);
    archive_entry_set_mtime(entry, std::time(nullptr), 0);
    const int status = archive_write_header(archive_, entry);
    archive_entry_free(entry);
    if (status != ARCHIVE_OK)
        fail("cannot add " + name);
}

void TarGzArchive::write(const char* data, std::size_t size) {
    while (size > 0) {
        const la_ssize_t written = archive_write_data(archive_, data, size);
        if (written <= 0)
            fail("cannot write");
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void TarGzArchive::addBytes(const std::string& name, std::string_view bytes) {
    header(name, bytes.size());
    write(bytes.data(), bytes.size());
}

std::uintmax_t TarGzArchive::addFile(const std::string& name, const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    struct stat info {};
    if (!file || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        throw std::runtime_error("cannot read " + path);
    // The size goes first into the header: a file that grows meanwhile (a
    // trace still being written) is taken up to that size.
    const auto size = static_cast<std::uintmax_t>(info.st_size);
    header(name, size);
    std::vector<char> chunk(64 * 1024);
    std::uintmax_t left = size;
    while (left > 0) {
        file.read(chunk.data(), static_cast<std::streamsize>(std::min<std::uintmax_t>(left, chunk.size())));
        const auto got = static_cast<std::size_t>(file.gcount());
        if (got == 0) {
            // Shrunk meanwhile: the member keeps its announced size.
            std::fill(chunk.begin(), chunk.end(), '\0');
            const auto pad = static_cast<std::size_t>(std::min<std::uintmax_t>(left, chunk.size()));
            write(chunk.data(), pad);
            left -= pad;
            continue;
        }
        write(chunk.data(), got);
        left -= got;
    }
    return size;
}

void TarGzArchive::finish() {
    if (archive_write_close(archive_) != ARCHIVE_OK)
        fail("cannot finish the archive");
    // On disk before it takes the output's place.
    if (::fsync(fd_) != 0)
        fail(std::string("cannot write: ") + std::strerror(errno));
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail(std::string("cannot close: ") + std::strerror(errno));
    if (::rename(writing_.c_str(), path_.c_str()) != 0)
        fail(std::string("cannot put the archive in place: ") + std::strerror(errno));
    finished_ = true;
}

} // namespace lumiq::doctor
