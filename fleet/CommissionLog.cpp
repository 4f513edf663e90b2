#include "fleet/CommissionLog.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string_view>

#include "base/AsciiText.h"
#include "base/ValueForms.h"
#include "fleet/CsvText.h"
#include "fleet/InputFile.h"

namespace lumiq::fleet {
namespace {

constexpr std::string_view kHeader = "time,mac,adapter,number,address_before,address_after,written,result,"
                                     "verification,done,detail,seconds\n";
constexpr std::size_t kColumns = 12;
constexpr std::size_t kNumberColumn = 3;
constexpr std::size_t kAddressAfterColumn = 5;
constexpr std::size_t kDoneColumn = 9;
constexpr std::size_t kMacColumn = 1;

[[noreturn]] void Refuse(const std::string& where, const std::string& why) {
    throw InputError(where + ": " + why);
}

[[noreturn]] void RefuseSystem(const std::string& path, const char* doing) {
    Refuse(path, std::string(doing) + ": " + std::strerror(errno));
}

// Each row is one line, so that a torn row is always the last line alone: a
// line break inside a cell (a module's name is the module's to choose) is
// written as the two characters "\n" or "\r".
std::string OneLine(const std::string& cell) {
    if (cell.find_first_of("\r\n") == std::string::npos)
        return cell;
    std::string line;
    for (const char c : cell) {
        if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else
            line += c;
    }
    return line;
}

std::optional<unsigned> NumberCell(const std::string& cell, const std::string& where) {
    if (cell.empty())
        return std::nullopt;
    unsigned number = 0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), number);
    if (error != std::errc() || end != cell.data() + cell.size())
        Refuse(where, "the number \"" + cell + "\" is not a whole number");
    return number;
}

std::optional<std::uint32_t> AddressCell(const std::string& cell, const std::string& where) {
    if (cell.empty())
        return std::nullopt;
    const std::optional<std::uint32_t> value = DottedQuadValue(cell);
    if (!value)
        Refuse(where, "the address \"" + cell + "\" is not an IPv4 address");
    return htonl(*value);
}

// A line of the file as a message shows it: no longer than a glance.
std::string Glimpse(std::string_view line) {
    constexpr std::size_t kShown = 80;
    if (line.size() <= kShown)
        return std::string(line);
    return std::string(line.substr(0, kShown)) + "...";
}

// The log's own first bytes: a file that holds something else is never
// appended to.
bool StartsWithHeader(int fd, off_t size) {
    if (size < static_cast<off_t>(kHeader.size()))
        return false;
    std::string first(kHeader.size(), '\0');
    return pread(fd, first.data(), first.size(), 0) == static_cast<ssize_t>(first.size()) && first == kHeader;
}

// What closes a row that a crash cut short, so that the next row starts on
// a line of its own and the cut one still reads as CSV: its line end, after
// a closing quote when it was cut inside a quoted cell. Rows hold no line
// break of their own (OneLine), so the cut row starts after the file's last
// one; a doubled quote turns quoting off and on again, so the quotes' count
// tells whether the cut came inside one.
std::string MendOfEnd(int fd, const std::string& path) {
    struct stat status {};
    if (fstat(fd, &status) != 0)
        RefuseSystem(path, "cannot be read");
    bool inQuotes = false;
    char chunk[4096];
    for (off_t end = status.st_size; end > 0;) {
        const off_t start =
            end > static_cast<off_t>(sizeof chunk) ? end - static_cast<off_t>(sizeof chunk) : 0;
        const auto size = static_cast<std::size_t>(end - start);
        if (pread(fd, chunk, size, start) != static_cast<ssize_t>(size))
            RefuseSystem(path, "cannot be read");
        for (std::size_t i = size; i > 0; --i) {
            if (chunk[i - 1] == '\n')
                return i == size && end == status.st_size ? "" : inQuotes ? "\"\n" : "\n";
            if (chunk[i - 1] == '"')
                inQuotes = !inQuotes;
        }
        end = start;
    }
    return status.st_size == 0 ? "" : inQuotes ? "\"\n" : "\n";
}

void WriteWhole(int fd, std::string_view text, const std::string& path) {
    while (!text.empty()) {
        const ssize_t wrote = write(fd, text.data(), text.size());
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            RefuseSystem(path, "cannot be written");
        text.remove_prefix(static_cast<std::size_t>(wrote));
    }
    if (fsync(fd) != 0)
        RefuseSystem(path, "cannot be flushed to the disk");
}

// A new file's name is on the disk only once its folder is.
void SyncFolderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty())
        folder = ".";
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

} // namespace

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    if (std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local) == 0)
        return {};
    std::string shown = text;
    if (shown.size() >= 5) // "+0100" becomes "+01:00"
        shown.insert(shown.size() - 2, ":");
    return shown;
}

CommissionMemory ReadCommissionLog(const std::string& path) {
    CommissionMemory memory;
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 && errno == ENOENT)
        return memory;
    std::string text = ReadInputFile(path, "a commissioning log");
    if (text.empty())
        return memory;
    // A row cut short by a crash has no line end: it was never finished.
    const std::size_t lastEnd = text.rfind('\n');
    if (lastEnd != text.size() - 1) {
        memory.tornLastLine = true;
        text.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
    }
    if (text.empty())
        return memory;
    const std::string_view firstLine = std::string_view(text).substr(0, text.find('\n') + 1);
    if (firstLine != kHeader && firstLine != std::string(kHeader.substr(0, kHeader.size() - 1)) + "\r\n")
        Refuse(path, "not a commissioning log (its first line is \"" +
                         Glimpse(firstLine.substr(0, firstLine.find_first_of("\r\n"))) + "\")");

    std::vector<CsvRow> rows;
    try {
        rows = ParseCsv(text, ',');
    } catch (const CsvError& error) {
        Refuse(path + ":" + std::to_string(error.line()), error.what());
    }
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const CsvRow& row = rows[i];
        const std::string where = path + ":" + std::to_string(row.line);
        // Only a crash makes a row short, and a later row closed it (MendOfEnd).
        if (row.fields.size() < kColumns) {
            ++memory.tornRows;
            continue;
        }
        if (row.fields.size() != kColumns)
            Refuse(where, "a row of " + std::to_string(row.fields.size()) + " columns, not " +
                              std::to_string(kColumns));
        if (const std::optional<unsigned> number = NumberCell(row.fields[kNumberColumn], where))
            memory.numbers.insert(*number);
        if (const std::optional<std::uint32_t> address = AddressCell(row.fields[kAddressAfterColumn], where))
            memory.addresses.insert(*address);
        const std::string& done = row.fields[kDoneColumn];
        if (done != "yes" && done != "no")
            Refuse(where, "done is \"" + Glimpse(done) + "\", not yes or no");
        if (done == "yes" && !row.fields[kMacColumn].empty())
            memory.doneMacs.insert(AsciiLowered(row.fields[kMacColumn]));
        ++memory.rows;
    }
    return memory;
}

CommissionLog::CommissionLog(const std::string& path) : path_(path) {
    // A symbolic link to a log is followed; whatever it leads to must be a
    // regular file before it is opened (a FIFO would hold the open) and after.
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        Refuse(path, "not a regular file; the commissioning log must be one");
    // Read and write: the file's first and last bytes tell what it is and how it ends.
    fd_ = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
    if (fd_ < 0)
        RefuseSystem(path, "cannot be opened for appending");
    try {
        if (fstat(fd_, &status) != 0)
            RefuseSystem(path, "cannot be read");
        if (!S_ISREG(status.st_mode))
            Refuse(path, "not a regular file; the commissioning log must be one");
        if (status.st_size == 0) {
            WriteWhole(fd_, kHeader, path);
            SyncFolderOf(path);
        } else if (!StartsWithHeader(fd_, status.st_size)) {
            Refuse(path, "not a commissioning log (it does not start with the log's header line)");
        } else {
            lineOpen_ = !MendOfEnd(fd_, path).empty();
        }
    } catch (...) {
        close(fd_);
        throw;
    }
}

CommissionLog::~CommissionLog() {
    if (fd_ >= 0)
        close(fd_);
}

void CommissionLog::append(CommissionRow row) {
    if (row.time.empty())
        row.time = LocalTimeText();
    std::vector<std::string> cells = {
        row.time,          row.mac,
        row.adapter,       row.number ? std::to_string(*row.number) : std::string(),
        row.addressBefore, row.addressAfter,
        row.written,       row.result,
        row.verification,  row.done ? "yes" : "no",
        row.detail,        row.seconds,
    };
    for (std::string& cell : cells)
        cell = OneLine(cell);
    const std::string text = (lineOpen_ ? MendOfEnd(fd_, path_) : std::string()) + CsvLine(cells);
    // Until the row is whole, the file may end inside it.
    lineOpen_ = true;
    WriteWhole(fd_, text, path_);
    lineOpen_ = false;
}

} // namespace lumiq::fleet
