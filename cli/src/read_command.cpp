// tev read: one refresh of the overview's block reads, one line per meter.
#include "tev/cli/commands.hpp"

#include <array>
#include <cstdlib>

#include "tev/cli/command_run.hpp"
#include "tev/cli/converter_access.hpp"
#include "tev/cli/interrupt.hpp"
#include "tev/cli/stoppable_line.hpp"
#include "tev/link/meter_overview.hpp"
#include "tev/link/type_file.hpp"

namespace tev::cli {
namespace {

constexpr std::array kOptions{OptionSpec{"address", 'a'}, OptionSpec{"meter", 'm'}, OptionSpec{"types"}};
constexpr std::string_view kName = "read";

constexpr std::string_view kHelp =
    R"(usage: tev read --port PORT --address A [--meter N] [--types FILE] [--rate BPS] [--parity P]
                [--json|--csv]

Reads every meter of the converter once (or meter N, 1..64) with the block reads of the program's
overview, the meter count taken from the converter's configuration, and prints per meter: number,
secondary address, type (number and name), link, status, serial and flow. A meter whose values
or status could not be read is marked stale=true and the exit status is 4.
)";

std::string_view LinkWords(const link::OverviewRow& row) {
    if (!row.status)
        return {};
    return row.status->link == protocol::kLinkConnected      ? "connected"
           : row.status->link == protocol::kLinkDisconnected ? "disconnected"
                                                             : "?";
}

void AddOptionalText(Record& record, std::string_view key, const std::string& text) {
    if (text.empty())
        record.addNull(key);
    else
        record.add(key, text);
}

Record RowRecord(const link::OverviewRow& row, const std::vector<std::string>& names) {
    Record record;
    record.add("meter", row.entry + 1);
    AddOptionalText(record, "secondary", row.secondary.value_or(""));
    if (row.type)
        record.add("type", int{*row.type}).add("type_name", link::TypeNameOf(names, *row.type));
    else
        record.addNull("type").addNull("type_name");
    AddOptionalText(record, "link", std::string(LinkWords(row)));
    AddOptionalText(record, "status", link::StatusText(row));
    AddOptionalText(record, "serial", link::SerialText(row));
    if (row.values) // as the overview shows it (six decimals), not the float's binary tail
        record.add("flow", std::strtod(link::FlowText(row).c_str(), nullptr));
    else
        record.addNull("flow");
    return record.add("stale", row.stale());
}

struct ReadRequest {
    std::uint8_t address = 1;
    int meter = 0; // 0: all
    std::vector<std::string> names;
};

std::optional<ReadRequest> RequestOf(const Invocation& call, std::ostream& err, std::string& problem) {
    ReadRequest request;
    request.address = ConverterAddressOption(call.parsed, problem).value_or(1);
    request.meter = static_cast<int>(NumberOption(call.parsed, "meter", 1, 64, problem).value_or(0));
    if (!problem.empty())
        return std::nullopt;
    std::string warning;
    auto names = TypeNamesFor(call.parsed, warning);
    if (!names) {
        problem = warning;
        return std::nullopt;
    }
    if (call.parsed.has("types") && !warning.empty())
        err << "tev read: " << warning << '\n';
    request.names = std::move(*names);
    return request;
}

int PrintRows(const link::MeterOverview& overview, const ReadRequest& request, RecordPrinter& printer,
              std::ostream& err) {
    int stale = 0;
    for (const link::OverviewRow& row : overview.rows()) {
        if (row.entry >= overview.meterCount() || (request.meter != 0 && row.entry + 1 != request.meter))
            continue;
        printer.print(RowRecord(row, request.names));
        stale += row.stale() ? 1 : 0;
    }
    if (stale == 0)
        return ToInt(ExitCode::Ok);
    err << "tev read: " << stale << " meter(s) stale: their block got no sound reply\n";
    return ToInt(ExitCode::NoAnswer);
}

} // namespace

int RunRead(CommandArgs args, std::ostream& out, std::ostream& err) {
    Invocation call;
    if (const auto done = Prepare({kName, kHelp, kOptions}, args, out, err, call))
        return *done;
    std::string problem;
    const auto request = RequestOf(call, err, problem);
    if (!request)
        return Fail(err, kName, problem.starts_with("cannot read") ? ExitCode::File : ExitCode::Usage,
                    problem);
    StoppableLine client;
    const link::Converter converter = ConverterFor(call.common, request->address);
    if (const std::string failure = OpenFor(client, converter); !failure.empty())
        return Fail(err, kName, ExitCode::Port, failure);
    const CancelOnInterrupt cancel([&client] { client.cancel(); });
    const auto count = ConfiguredMeterCount(client, converter);
    if (!count)
        return Fail(err, kName, ExitCode::NoAnswer, "no configuration from the converter (读配置参数失败)");
    if (request->meter > static_cast<int>(*count))
        return Fail(err, kName, ExitCode::Usage,
                    "the converter counts " + std::to_string(*count) + " meters");
    link::MeterOverview overview(request->address, static_cast<int>(*count));
    overview.refresh(client, converter.baud, converter.parity);
    if (Interrupted())
        return ToInt(ExitCode::Failed); // the rows cut short are not printed as if read
    RecordPrinter printer(out, call.common.format);
    return PrintRows(overview, *request, printer, err);
}

} // namespace tev::cli
