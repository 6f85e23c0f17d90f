// tev meters export|import: the converter's meter list as the program's *.cfg files hold it.
#include "tev/cli/commands.hpp"

#include <array>

#include "tev/cli/command_run.hpp"
#include "tev/cli/converter_access.hpp"
#include "tev/cli/interrupt.hpp"
#include "tev/cli/meter_list_run.hpp"
#include "tev/cli/stoppable_line.hpp"
#include "tev/link/file_write.hpp"
#include "tev/link/meter_list_edit.hpp"

namespace tev::cli {
namespace {

constexpr std::array kOptions{OptionSpec{"address", 'a'}, OptionSpec{"types"}};

} // namespace

const std::string_view kMetersHelp =
    R"(usage: tev meters export --port PORT --address A [--types FILE] FILE.cfg
       tev meters import --port PORT --address A [--types FILE] FILE.cfg
       (and --rate, --parity, --timeout, --json, --csv as for every command)

export reads the secondary addresses and types of the converter's meters (as many as its
configuration counts) and writes them to FILE.cfg as the program's meter list does: per meter the
12-digit serial followed by the type name of type.txt, byte for byte (names in GBK stay GBK).
import checks every row of FILE.cfg first (a serial of other than 1..12 hexadecimal digits, an
empty serial or type, or another number of rows than the converter's meter count: nothing is
sent), writes the types, then the secondary addresses of meters 33..64, then of meters 1..32, each
counted only when echoed, and reads the list back to confirm it. Type names come from --types
FILE, else from the type.txt the program reads; a type is written as the number in front of the
'-' of its name.
)";

namespace {

int RunExport(CommandArgs args, std::ostream& out, std::ostream& err) {
    Invocation call;
    if (const auto done = Prepare({"meters export", kMetersHelp, kOptions, false, 1}, args, out, err, call))
        return *done;
    std::string problem;
    const auto address = ConverterAddressOption(call.parsed, problem);
    if (!address)
        return Fail(err, "meters export", ExitCode::Usage, problem);
    auto names = TypeNamesFor(call.parsed, problem);
    if (!names)
        return Fail(err, "meters export", ExitCode::File, problem);
    if (!problem.empty())
        err << "tev meters export: " << problem << '\n';
    StoppableLine client;
    const link::Converter converter = ConverterFor(call.common, *address);
    if (const std::string failure = OpenFor(client, converter); !failure.empty())
        return Fail(err, "meters export", ExitCode::Port, failure);
    const CancelOnInterrupt cancel([&client] { client.cancel(); });
    std::vector<link::MeterListRow> rows;
    if (const ExitCode read = ReadMeterRows(client, converter, *names, rows, err); read != ExitCode::Ok)
        return ToInt(read);
    const std::string& file = call.parsed.positional.front();
    if (const std::string why = link::WriteFileReplacing(file, link::FormatMeterListFile(rows, true));
        !why.empty())
        return Fail(err, "meters export", ExitCode::File, "cannot write " + file + " (" + why + ")");
    RecordPrinter printer(out, call.common.format);
    for (std::size_t i = 0; i < rows.size(); ++i)
        printer.print(MeterRowRecord(i, rows[i].serial, rows[i].type));
    if (const auto bad = link::RowsNotReadBack(rows, true); !bad.empty())
        err << "tev meters export: rows " << link::RowNumbersText(bad)
            << " would not be imported as they stand\n";
    return ToInt(ExitCode::Ok);
}

constexpr std::array kEntries{SubcommandEntry{"export", RunExport},
                              SubcommandEntry{"import", RunMetersImport}};

} // namespace

int RunMeters(CommandArgs args, std::ostream& out, std::ostream& err) {
    return Dispatch("meters", kMetersHelp, kEntries, args, out, err);
}

} // namespace tev::cli
