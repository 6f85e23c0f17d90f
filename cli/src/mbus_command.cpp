// tev mbus set-address|send: the meter address tool and the command terminal, on a line of even
// parity straight to the meters.
#include "tev/cli/commands.hpp"

#include <array>
#include <fstream>

#include "tev/cli/command_run.hpp"
#include "tev/cli/converter_access.hpp"
#include "tev/cli/interrupt.hpp"
#include "tev/cli/mbus_options.hpp"
#include "tev/cli/stoppable_line.hpp"
#include "tev/link/direct_line.hpp"
#include "tev/link/terminal.hpp"
#include "tev/protocol/hex_input.hpp"

namespace tev::cli {
namespace {

constexpr std::array kAddressOptions{OptionSpec{"id"}, OptionSpec{"new-address"}, OptionSpec{"manufacturer"},
                                     OptionSpec{"file", 'f'}};
constexpr std::array kSendOptions{OptionSpec{"checksum-from"}, OptionSpec{"origin"}};

constexpr std::string_view kHelp =
    R"(usage: tev mbus set-address --port PORT --id NNNNNNNN --new-address A [--manufacturer HHHHHHHH]
       tev mbus set-address --port PORT --file FILE [--manufacturer HHHHHHHH]
       tev mbus send --port PORT [--checksum-from 1|2|5] [--origin domestic|imported] HEX
       (--rate 300 .. 38400, default 2400; the line runs 8 data bits, even parity, one stop bit)

set-address gives the meter with identification number --id (8 digits as printed on it) the
primary address --new-address (0..250): select by secondary address (manufacturer, version and
medium of --manufacturer, default FFFFFFFF: any), write the address, deselect. With --file each
line "IDENTIFICATION,ADDRESS," of the file (ADDRESS in hexadecimal; ';' starts a comment) is set
in turn. send completes the hexadecimal frame HEX with its checksum (from byte --checksum-from)
and 0x16, sends it and prints the reply as far as its frame reaches, with its time.
)";

std::string_view StepWords(link::AddressStep step) {
    switch (step) {
    case link::AddressStep::Done:
        return "done";
    case link::AddressStep::NoSelectAck:
        return "no answer to the select";
    case link::AddressStep::NoAddressAck:
        return "no answer to the address";
    case link::AddressStep::OddDeselect:
        return "odd answer to the deselect";
    case link::AddressStep::Cancelled:
        return "cancelled";
    }
    return "failed";
}

ExitCode StepExit(link::AddressStep step) {
    switch (step) {
    case link::AddressStep::Done:
        return ExitCode::Ok;
    case link::AddressStep::OddDeselect:
        return ExitCode::Refused;
    case link::AddressStep::Cancelled:
        return ExitCode::Failed;
    default:
        return ExitCode::NoAnswer;
    }
}

struct AddressLine {
    std::size_t number = 1;
    link::AddressRequest request;
};

ExitCode SetOne(link::Line& client, std::uint16_t timeoutMs, const AddressLine& line,
                RecordPrinter& printer) {
    const link::AddressStep step = link::SetMeterAddress(client, line.request, timeoutMs, &InterruptFlag());
    Record record;
    record.add("line", static_cast<std::int64_t>(line.number))
        .add("id", protocol::FormatHexBytes(line.request.identification))
        .add("address", int{line.request.address})
        .add("result", StepWords(step))
        .add("report", link::AddressBatch::statusText(line.number, step == link::AddressStep::Done));
    printer.print(record);
    return StepExit(step);
}

// The lines of --file; nullopt after saying why not.
std::optional<std::vector<AddressLine>> FileLines(const std::string& file, const std::string& manufacturer,
                                                  std::ostream& err) {
    std::ifstream in(file, std::ios::binary);
    std::string text(link::kMaxImportFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (!in && !in.eof()) {
        Fail(err, "mbus set-address", ExitCode::File, "cannot read " + file);
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    link::AddressBatch batch;
    if (text.size() > link::kMaxImportFileBytes || batch.addFileText(text).truncated) {
        Fail(err, "mbus set-address", ExitCode::File, file + " is too long; nothing sent");
        return std::nullopt;
    }
    std::vector<AddressLine> lines;
    while (const auto line = batch.take())
        lines.push_back({line->number, link::CheckImportLine(manufacturer, line->text).request});
    return lines;
}

std::optional<std::vector<AddressLine>> AddressLines(const ParsedArgs& parsed, std::string& problem,
                                                     std::ostream& err, bool& fileError) {
    if (parsed.has("file") && (parsed.has("id") || parsed.has("new-address"))) {
        problem = "--file goes without --id and --new-address";
        return std::nullopt;
    }
    if (!parsed.has("file")) {
        const auto request = ManualAddressRequest(parsed, problem);
        return request ? std::optional(std::vector<AddressLine>{{1, *request}}) : std::nullopt;
    }
    const auto manufacturer = ManufacturerOption(parsed, problem);
    if (!manufacturer)
        return std::nullopt;
    fileError = true;
    return FileLines(*parsed.value("file"), *manufacturer, err);
}

int RunSetAddress(CommandArgs args, std::ostream& out, std::ostream& err) {
    Invocation call;
    if (const auto done =
            Prepare({"mbus set-address", kHelp, kAddressOptions, false, 0, true}, args, out, err, call))
        return *done;
    std::string problem;
    bool fileError = false;
    const auto rate = MbusRateOf(call.common, problem);
    const auto lines = rate ? AddressLines(call.parsed, problem, err, fileError) : std::nullopt;
    if (!lines)
        return fileError ? ToInt(ExitCode::File) : Fail(err, "mbus set-address", ExitCode::Usage, problem);
    StoppableLine client;
    if (client.open(link::DirectLineSettings(call.common.port, *rate)) != 0)
        return Fail(err, "mbus set-address", ExitCode::Port, "cannot open the port: " + client.openFailure());
    const CancelOnInterrupt cancel([&client] { client.cancel(); });
    const std::uint16_t timeoutMs = call.common.timeoutMs.value_or(link::AddressReceiveTimeoutMs(*rate));
    RecordPrinter printer(out, call.common.format);
    ExitCode result = ExitCode::Ok;
    for (const AddressLine& line : *lines) {
        if (Interrupted())
            break;
        result = Worse(result, SetOne(client, timeoutMs, line, printer));
    }
    if (result != ExitCode::Ok)
        err << "tev mbus set-address: not every address was set\n";
    return ToInt(result);
}

int RunSend(CommandArgs args, std::ostream& out, std::ostream& err) {
    Invocation call;
    if (const auto done = Prepare({"mbus send", kHelp, kSendOptions, false, 1}, args, out, err, call))
        return *done;
    std::string problem;
    const auto rate = MbusRateOf(call.common, problem);
    const auto start = ChecksumStartOption(call.parsed, problem);
    const auto origin = OriginOption(call.parsed, problem);
    if (!rate || !start || !origin)
        return Fail(err, "mbus send", ExitCode::Usage, problem);
    const link::TerminalFrame frame = link::BuildTerminalFrame(call.parsed.positional.front(), *start);
    if (frame.refused())
        return Fail(err, "mbus send", ExitCode::Usage,
                    "the frame is refused: " + link::RefusedCommandText(frame));
    StoppableLine client;
    const CancelOnInterrupt cancel([&client] { client.cancel(); });
    const link::TerminalRun run = link::RunTerminalExchange(
        client, link::DirectLineSettings(call.common.port, *rate), frame.bytes, *origin);
    if (!run.opened)
        return Fail(err, "mbus send", ExitCode::Port, "cannot open the port: " + client.openFailure());
    Record record;
    const std::string sent = protocol::FormatHexBytes(frame.bytes, " ");
    record.add("sent", std::string_view(sent).substr(0, sent.find_last_not_of(' ') + 1));
    if (run.reply)
        record.add("reply", std::string_view(*run.reply).substr(0, run.reply->find_last_not_of(' ') + 1))
            .add("time_ms", std::int64_t{run.elapsedMs});
    else
        record.addNull("reply").add("time_ms", std::int64_t{run.elapsedMs});
    RecordPrinter(out, call.common.format).print(record);
    if (!run.reply)
        return Fail(err, "mbus send", ExitCode::NoAnswer, "no reply (No Respond!)");
    return ToInt(ExitCode::Ok);
}

constexpr std::array kEntries{SubcommandEntry{"set-address", RunSetAddress},
                              SubcommandEntry{"send", RunSend}};

} // namespace

int RunMbus(CommandArgs args, std::ostream& out, std::ostream& err) {
    return Dispatch("mbus", kHelp, kEntries, args, out, err);
}

} // namespace tev::cli
