// The meter list on the line for tev meters: its read into rows, the checks of rows to import, the
// chain of writes and the comparison of what was read back with what was written.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tev/cli/command.hpp"
#include "tev/cli/exit_code.hpp"
#include "tev/link/converter.hpp"
#include "tev/link/line.hpp"
#include "tev/link/meter_list_file.hpp"
#include "tev/link/meter_table.hpp"

namespace tev::cli {

// The rows of the converter's meter list (as many as its configuration counts), types named by
// `names` (the first 32, as the meter list dialog has them). NoAnswer when the configuration or a
// block of the list got no sound reply: no row is then given half read.
ExitCode ReadMeterRows(link::Line& client, const link::Converter& converter,
                       const std::vector<std::string>& names, std::vector<link::MeterListRow>& rows,
                       std::ostream& err);

// Why rows cannot be written as they stand (bad or empty serials, empty types), empty when they can.
std::string ImportRowsProblem(const std::vector<link::MeterListRow>& rows);

// Meters (from 0) of `written` whose edited serial or type the read-back `read` does not hold.
std::vector<std::size_t> UnconfirmedMeters(const link::MeterTable& written, const link::MeterTable& read);

// The help of tev meters (both subcommands).
extern const std::string_view kMetersHelp;

int RunMetersImport(CommandArgs args, std::ostream& out, std::ostream& err);

} // namespace tev::cli
