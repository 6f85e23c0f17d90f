#include "tev/link/meter_list_edit.hpp"

#include <algorithm>

#include "tev/link/type_file.hpp"

namespace tev::link {
namespace {

// The type number of a read type code, which is hexadecimal ("0C" is 12); -1 when it is not.
int TypeOfCode(const std::string& code) {
    if (code.empty() || code.size() > 2)
        return -1;
    int value = 0;
    for (char c : code) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

std::size_t UsedRows(const MeterTable& table) {
    return static_cast<std::size_t>(std::clamp(table.count, 0, static_cast<int>(MeterTable::kMaxUsed)));
}

} // namespace

std::vector<MeterListRow> MeterListRowsOf(const MeterTable& table, bool secondary,
                                          const std::vector<std::string>& typeNames) {
    std::vector<MeterListRow> rows;
    for (std::size_t i = 0; i < UsedRows(table); ++i) {
        const MeterEntry& entry = table.entries[i];
        const int type = TypeOfCode(entry.readType);
        rows.push_back({secondary ? entry.readSerial : std::string(),
                        type < 0 ? std::string() : TypeNameOf(typeNames, type)});
    }
    return rows;
}

std::vector<std::size_t> EmptyMeterRows(const std::vector<MeterListRow>& rows, std::size_t count,
                                        bool secondary) {
    std::vector<std::size_t> empty;
    for (std::size_t i = 0; i < count; ++i)
        if (i >= rows.size() || rows[i].type.empty() || (secondary && rows[i].serial.empty()))
            empty.push_back(i);
    return empty;
}

std::vector<std::size_t> BadSerialRows(const std::vector<MeterListRow>& rows, std::size_t count) {
    std::vector<std::size_t> bad;
    for (std::size_t i = 0; i < count && i < rows.size(); ++i) {
        const std::string& serial = rows[i].serial;
        if (serial.size() > kCfgSerialLength ||
            serial.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos)
            bad.push_back(i);
    }
    return bad;
}

std::vector<std::size_t> RowsNotReadBack(const std::vector<MeterListRow>& rows, bool secondary) {
    std::vector<std::size_t> bad;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const MeterListRow& row = rows[i];
        const MeterListFile back = ParseMeterListFile(FormatMeterListFile({row}, secondary), secondary);
        const bool same = back.rows.size() == 1 && back.rows.front().type == row.type &&
                          (!secondary || back.rows.front().serial == row.serial);
        if (!same)
            bad.push_back(i);
    }
    return bad;
}

void ApplyMeterListEdits(MeterTable& table, const std::vector<MeterListRow>& rows, bool secondary) {
    for (std::size_t i = 0; i < UsedRows(table); ++i) {
        MeterEntry& entry = table.entries[i];
        const bool shown = i < rows.size();
        entry.editedSerial = shown && secondary ? rows[i].serial : std::string();
        entry.editedType = shown ? std::to_string(TypeNumberOfName(rows[i].type)) : std::string();
    }
}

std::string RowNumbersText(const std::vector<std::size_t>& rows, std::size_t shown) {
    std::string text;
    for (std::size_t i = 0; i < rows.size() && i < shown; ++i)
        text += (i ? ", " : "") + std::to_string(rows[i] + 1);
    if (rows.size() > shown)
        text += ", ...";
    return text;
}

} // namespace tev::link
