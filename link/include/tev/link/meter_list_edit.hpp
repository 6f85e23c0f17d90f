// The meter list as the meter list dialog edits it: rows made from the converter's meter table, the
// checks before they are saved or handed back, and the hand-back into the table.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tev/link/meter_list_file.hpp"
#include "tev/link/meter_table.hpp"

namespace tev::link {

// One row per meter of the table (its count): the read serial (secondary addressing only) and the
// name of the read type (TypeNameOf). A meter whose serial or type was not read keeps that cell
// empty, never a value of another meter or converter.
std::vector<MeterListRow> MeterListRowsOf(const MeterTable& table, bool secondary,
                                          const std::vector<std::string>& typeNames);

// Rows (from 0) among the first `count` whose type is empty or, with secondary addressing, whose
// serial is empty: "设置" would write zeros there.
std::vector<std::size_t> EmptyMeterRows(const std::vector<MeterListRow>& rows, std::size_t count,
                                        bool secondary);

// Rows (from 0) among the first `count` whose serial is not empty and not 1..12 hexadecimal digits:
// such a serial cannot be written as the meter's secondary address.
std::vector<std::size_t> BadSerialRows(const std::vector<MeterListRow>& rows, std::size_t count);

// Rows (from 0) that a save followed by an import would not give back as they are: an empty
// record, a serial of other than 12 characters, a text starting with ';', blanks at either end,
// a line feed or a zero byte inside.
std::vector<std::size_t> RowsNotReadBack(const std::vector<MeterListRow>& rows, bool secondary);

// "设置": the first table.count rows become the edited serials (secondary only) and type numbers.
void ApplyMeterListEdits(MeterTable& table, const std::vector<MeterListRow>& rows, bool secondary);

// "1, 3, 5" of rows counted from 0 shown from 1, at most `shown` of them, then "...".
std::string RowNumbersText(const std::vector<std::size_t>& rows, std::size_t shown = 10);

} // namespace tev::link
