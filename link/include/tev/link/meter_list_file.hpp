// Meter list files (*.cfg): one record per table row, in row order. In secondary-address mode a
// record is the serial text immediately followed by the type name, else the type name alone.
// Records end with a line feed, the last one with a zero byte instead; an empty table is an empty
// file. Texts are kept as bytes (type names may be GBK from the original platform), so what is
// read is written back unchanged.
//
// Reading: a line (up to a line feed; a zero byte ends the line's text) whose first byte is ';' is
// a comment; every other line is trimmed of white space at both ends (a carriage return goes with
// it) and skipped when empty. In secondary mode the serial is the first 12 bytes and the type the
// rest; in primary mode the whole line is the type. The file does not say which mode wrote it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tev::link {

struct MeterListRow {
    std::string serial; // empty in primary mode
    std::string type;
    bool operator==(const MeterListRow&) const = default;
};

inline constexpr std::size_t kCfgSerialLength = 12;
// Rows kept from one file (far more than a converter's 64 meters, so a list made elsewhere loses
// nothing); further rows are left out and `truncated` is set.
inline constexpr std::size_t kMaxCfgRows = 4096;
// Bytes read from one file at most; a longer file counts as truncated.
inline constexpr std::size_t kCfgReadLimit = 1024 * 1024;

struct MeterListFile {
    std::vector<MeterListRow> rows;
    bool truncated = false;
    bool operator==(const MeterListFile&) const = default;
};

// The bytes of the file for these rows.
std::string FormatMeterListFile(const std::vector<MeterListRow>& rows, bool secondary);

// The rows of the file's bytes.
MeterListFile ParseMeterListFile(std::string_view bytes, bool secondary);

} // namespace tev::link
