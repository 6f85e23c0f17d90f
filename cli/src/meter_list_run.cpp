#include "tev/cli/meter_list_run.hpp"

#include <algorithm>
#include <cctype>

#include "tev/cli/converter_access.hpp"
#include "tev/link/converter_settings.hpp"
#include "tev/link/meter_list_edit.hpp"
#include "tev/link/type_file.hpp"
#include "tev/protocol/register_map.hpp"

namespace tev::cli {
namespace {

// A serial as the converter reads it back: 12 upper-case hex digits, leading zeros added.
std::string SerialAsRead(std::string serial) {
    std::transform(serial.begin(), serial.end(), serial.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (serial.size() < link::kCfgSerialLength)
        serial.insert(0, link::kCfgSerialLength - serial.size(), '0');
    return serial;
}

bool ListComplete(const link::MeterListRead& read, std::size_t count) {
    const auto blocks = protocol::SplitSecondaryBlocks(count);
    return count == 0 || (!read.types.empty() && (blocks.low == 0 || !read.block1.empty()) &&
                          (blocks.high == 0 || !read.block2.empty()));
}

} // namespace

ExitCode ReadMeterRows(link::Line& client, const link::Converter& converter,
                       const std::vector<std::string>& names, std::vector<link::MeterListRow>& rows,
                       std::ostream& err) {
    const auto count = ConfiguredMeterCount(client, converter);
    if (!count) {
        err << "tev meters: no configuration from address " << int{converter.address}
            << " (读配置参数失败)\n";
        return ExitCode::NoAnswer;
    }
    const link::MeterListRead read = link::ReadMeterList(client, converter, *count);
    if (!ListComplete(read, *count)) {
        err << "tev meters: a block of the meter list got no sound reply (无应答)\n";
        return ExitCode::NoAnswer;
    }
    link::MeterTable table;
    table.count = static_cast<int>(*count);
    link::ApplyMeterListRead(table, read);
    const std::size_t shown = std::min(names.size(), link::kTypeNameTableSize);
    rows = link::MeterListRowsOf(table, true,
                                 {names.begin(), names.begin() + static_cast<std::ptrdiff_t>(shown)});
    return ExitCode::Ok;
}

std::string ImportRowsProblem(const std::vector<link::MeterListRow>& rows) {
    if (const auto bad = link::BadSerialRows(rows, rows.size()); !bad.empty())
        return "rows " + link::RowNumbersText(bad) + ": the serial is not 1..12 hexadecimal digits";
    if (const auto empty = link::EmptyMeterRows(rows, rows.size(), true); !empty.empty())
        return "rows " + link::RowNumbersText(empty) + ": the serial or the type is empty";
    return {};
}

std::vector<std::size_t> UnconfirmedMeters(const link::MeterTable& written, const link::MeterTable& read) {
    std::vector<std::size_t> meters;
    for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(written.count, 0)); ++i) {
        const link::MeterEntry& sent = written.entries[i];
        const link::MeterEntry& back = read.entries[i];
        const long type = back.readType.empty() ? -1 : std::strtol(back.readType.c_str(), nullptr, 16);
        if (back.readSerial != SerialAsRead(sent.editedSerial) ||
            type != link::LeadingTypeCode(sent.editedType))
            meters.push_back(i);
    }
    return meters;
}

} // namespace tev::cli
