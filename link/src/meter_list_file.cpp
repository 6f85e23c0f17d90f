#include "tev/link/meter_list_file.hpp"
#include "tev/link/limited_text.hpp"
#include "tev/link/trim.hpp"

namespace tev::link {

std::string FormatMeterListFile(const std::vector<MeterListRow>& rows, bool secondary) {
    std::string text;
    for (const MeterListRow& row : rows) {
        if (secondary)
            text += row.serial;
        text += row.type;
        text += '\n';
    }
    if (!text.empty())
        text.back() = '\0';
    return text;
}

MeterListFile ParseMeterListFile(std::string_view bytes, bool secondary) {
    MeterListFile file;
    const LimitedText limited = LimitText(bytes, kCfgReadLimit);
    bytes = limited.text;
    file.truncated = limited.cut;
    while (!bytes.empty()) {
        const auto end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view{} : bytes.substr(end + 1);
        line = line.substr(0, line.find('\0'));
        if (!line.empty() && line.front() == ';')
            continue;
        line = Trim(line);
        if (line.empty())
            continue;
        if (file.rows.size() == kMaxCfgRows) {
            file.truncated = true;
            break;
        }
        MeterListRow row;
        if (secondary) {
            row.serial = std::string(line.substr(0, kCfgSerialLength));
            if (line.size() > kCfgSerialLength)
                row.type = std::string(line.substr(kCfgSerialLength));
        } else {
            row.type = std::string(line);
        }
        file.rows.push_back(std::move(row));
    }
    return file;
}

} // namespace tev::link
