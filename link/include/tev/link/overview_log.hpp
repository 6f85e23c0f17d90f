// The CSV log of the meter overview: every refresh appends one line per meter and counter.
//
// Files are named overview-YYYY-MM-DD.csv after the local date of the refresh, so a new file starts
// each day; a file that reaches the size limit is followed by overview-YYYY-MM-DD-2.csv and so on.
// A new file starts with a UTF-8 byte order mark and the header line. Fields are separated by commas
// and quoted where they hold a comma, a quote or a line break (RFC 4180); lines end in CR LF.
// Each line goes to the file in one unbuffered write, so a crash loses at most the line being
// written, and a file whose last line was cut short is continued on a new line.
//
// A value not read in that refresh (its block had no usable reply) is left empty, never repeated
// from an earlier refresh.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tev/link/meter_overview.hpp"

namespace tev::link {

inline constexpr std::uint64_t kOverviewLogMaxBytes = 64ull * 1024 * 1024;
inline constexpr std::string_view kOverviewLogHeader =
    "时间,转换模块地址,表号,二级地址,类型,连接,状态码,表系列号,累积流量";

// One field as CSV: quoted (with inner quotes doubled) when it holds ',', '"', CR or LF.
std::string CsvField(std::string_view text);
// Fields joined by commas, ending in CR LF.
std::string CsvLine(const std::vector<std::string>& fields);
// "2026-12-07T15:42:58+08:00": local time with its offset.
std::string IsoTime(WallClock::time_point at);
// "overview-2026-12-07.csv", "overview-2026-12-07-2.csv" for part 2 and on.
std::string OverviewLogName(WallClock::time_point at, int part = 1);
// The fields of one row's line.
std::vector<std::string> OverviewLogFields(WallClock::time_point at, std::uint8_t converterAddress,
                                           const OverviewRow& row);

class OverviewLog {
  public:
    explicit OverviewLog(std::filesystem::path folder, std::uint64_t maxBytes = kOverviewLogMaxBytes);
    ~OverviewLog();
    OverviewLog(const OverviewLog&) = delete;
    OverviewLog& operator=(const OverviewLog&) = delete;

    // Appends one line per row, stamped `at`. False when the folder or file cannot be written;
    // error() then says why, in Chinese, with the path. A file removed or replaced since the last
    // call is opened anew (a new file with its header); a removed folder stops the log.
    bool append(WallClock::time_point at, std::uint8_t converterAddress,
                const std::vector<OverviewRow>& rows);
    const std::string& error() const noexcept { return m_error; }
    // The file written last; empty before the first line.
    const std::filesystem::path& file() const noexcept { return m_path; }

  private:
    bool openFor(WallClock::time_point at, std::size_t nextBytes);
    bool openFile(const std::filesystem::path& path);
    bool stillNamed() const;
    bool writeAll(std::string_view bytes);
    void close();
    bool fail(const std::string& what, int error);

    std::filesystem::path m_folder;
    std::uint64_t m_maxBytes;
    std::filesystem::path m_path;
    std::string m_day;
    int m_part = 1;
    int m_fd = -1;
    std::uint64_t m_size = 0;
    std::string m_error;
};

} // namespace tev::link
