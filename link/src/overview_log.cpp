#include "tev/link/overview_log.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tev/link/data_poll.hpp"
#include "tev/link/file_write.hpp"
#include "tev/protocol/hex_input.hpp"

namespace tev::link {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";
// Parts of one day searched for one below the size limit.
constexpr int kMaxParts = 1000;

std::tm LocalTime(WallClock::time_point at) {
    const std::time_t t = WallClock::to_time_t(at);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

std::string Day(WallClock::time_point at) {
    const std::tm tm = LocalTime(at);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return text;
}

} // namespace

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        line += CsvField(fields[i]);
    }
    return line.append(kLineEnd);
}

std::string IsoTime(WallClock::time_point at) {
    const std::tm tm = LocalTime(at);
    const long offset = tm.tm_gmtoff / 60;
    const long magnitude = offset < 0 ? -offset : offset;
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, offset < 0 ? '-' : '+',
                  magnitude / 60, magnitude % 60);
    return text;
}

std::string OverviewLogName(WallClock::time_point at, int part) {
    std::string name = "overview-" + Day(at);
    if (part > 1)
        name += "-" + std::to_string(part);
    return name + ".csv";
}

std::vector<std::string> OverviewLogFields(WallClock::time_point at, std::uint8_t converterAddress,
                                           const OverviewRow& row) {
    std::string link = row.statusFresh ? LinkText(row) : std::string();
    if (!link.empty() && link.front() == ' ')
        link.erase(0, 1);
    return {IsoTime(at),
            protocol::FormatHexBytes(std::array{converterAddress}),
            DataEntryName(row.entry),
            row.secondary.value_or(""),
            TypeText(row),
            link,
            row.statusFresh ? StatusText(row) : std::string(),
            row.valuesFresh ? SerialText(row) : std::string(),
            row.valuesFresh ? FlowText(row) : std::string()};
}

OverviewLog::OverviewLog(std::filesystem::path folder, std::uint64_t maxBytes)
    : m_folder(std::move(folder)), m_maxBytes(maxBytes) {}

OverviewLog::~OverviewLog() {
    close();
}

void OverviewLog::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool OverviewLog::fail(const std::string& what, int error) {
    close();
    m_error = what + ": " + FileErrorText(error);
    return false;
}

bool OverviewLog::append(WallClock::time_point at, std::uint8_t converterAddress,
                         const std::vector<OverviewRow>& rows) {
    std::vector<std::string> lines;
    std::size_t bytes = 0;
    for (const OverviewRow& row : rows) {
        lines.push_back(CsvLine(OverviewLogFields(at, converterAddress, row)));
        bytes += lines.back().size();
    }
    // Lines written to a file that was removed meanwhile are gone: they go once more to the file
    // the path names now.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!openFor(at, bytes))
            return false;
        for (const std::string& line : lines)
            if (!writeAll(line))
                return false;
        if (stillNamed())
            return true;
        close();
    }
    return fail("记录文件 " + m_path.string(), ENOENT);
}

// The open file is still the one its path names: it was not removed or replaced.
bool OverviewLog::stillNamed() const {
    struct stat open {};
    struct stat named {};
    return m_fd >= 0 && ::fstat(m_fd, &open) == 0 && ::stat(m_path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// Opens the file of the day of `at` that still has room for `nextBytes` (a file that is still empty
// always has).
bool OverviewLog::openFor(WallClock::time_point at, std::size_t nextBytes) {
    const std::string day = Day(at);
    if (m_fd >= 0 && day == m_day && (m_size == 0 || m_size + nextBytes <= m_maxBytes) && stillNamed())
        return true;
    close();
    std::error_code ec;
    if (!std::filesystem::is_directory(m_folder, ec)) {
        const bool exists = std::filesystem::exists(m_folder, ec);
        return fail("记录文件夹 " + m_folder.string(), ec ? ec.value() : exists ? ENOTDIR : ENOENT);
    }
    const int firstPart = day == m_day ? m_part : 1;
    m_day = day;
    for (m_part = firstPart; m_part <= kMaxParts; ++m_part) {
        if (!openFile(m_folder / OverviewLogName(at, m_part)))
            return false;
        if (m_size == 0 || m_size + nextBytes <= m_maxBytes)
            return true;
        close();
    }
    m_error = "记录文件 " + (m_folder / OverviewLogName(at, kMaxParts)).string() + ": 当天文件已满";
    return false;
}

bool OverviewLog::openFile(const std::filesystem::path& path) {
    m_path = path;
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0644);
    if (m_fd < 0)
        return fail("无法写入记录文件 " + path.string(), errno);
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return fail("无法写入记录文件 " + path.string(), errno);
    if (!S_ISREG(st.st_mode))
        return fail("无法写入记录文件 " + path.string(), EISDIR);
    m_size = static_cast<std::uint64_t>(st.st_size);
    if (m_size == 0) {
        const std::string head = std::string(kBom) + std::string(kOverviewLogHeader) + std::string(kLineEnd);
        return writeAll(head);
    }
    // A line cut short by a crash is ended, so the next line starts on a line of its own.
    char last = '\n';
    const int readFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (readFd >= 0) {
        if (::pread(readFd, &last, 1, static_cast<off_t>(m_size - 1)) != 1)
            last = '\n';
        ::close(readFd);
    }
    return last == '\n' || writeAll(kLineEnd);
}

bool OverviewLog::writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail("无法写入记录文件 " + m_path.string(), n < 0 ? errno : ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(n));
        m_size += static_cast<std::uint64_t>(n);
    }
    m_error.clear();
    return true;
}

} // namespace tev::link
