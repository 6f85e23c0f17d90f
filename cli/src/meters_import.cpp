// tev meters import: a *.cfg file onto the converter, types -> block 2 -> block 1, then read back.
#include <array>
#include <fstream>
#include <iterator>

#include "tev/cli/command_run.hpp"
#include "tev/cli/converter_access.hpp"
#include "tev/cli/interrupt.hpp"
#include "tev/cli/meter_list_run.hpp"
#include "tev/cli/stoppable_line.hpp"
#include "tev/link/converter_settings.hpp"
#include "tev/link/meter_list_edit.hpp"

namespace tev::cli {
namespace {

constexpr std::array kOptions{OptionSpec{"address", 'a'}, OptionSpec{"types"}};
constexpr std::string_view kName = "meters import";

// The file's bytes, at most kCfgReadLimit + 1 of them (one more tells a longer file).
std::optional<std::string> ReadBounded(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes(link::kCfgReadLimit + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad())
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::string_view StepName(link::SettingsCommand command) {
    switch (command) {
    case link::SettingsCommand::Types:
        return "types";
    case link::SettingsCommand::Block2:
        return "serials-33-64";
    default:
        return "serials-1-32";
    }
}

ExitCode ConfirmList(link::Line& client, const link::Converter& converter, const link::MeterTable& written,
                     RecordPrinter& printer, std::ostream& err) {
    link::MeterTable back;
    back.count = written.count;
    link::ApplyMeterListRead(back,
                             link::ReadMeterList(client, converter, static_cast<std::size_t>(written.count)));
    const std::vector<std::size_t> unconfirmed = UnconfirmedMeters(written, back);
    Record record;
    record.add("step", "read-back").add("meters", written.count).add("confirmed", unconfirmed.empty());
    printer.print(record);
    if (unconfirmed.empty())
        return ExitCode::Ok;
    err << "tev meters import: meters " << link::RowNumbersText(unconfirmed)
        << " were not read back as written\n";
    return ExitCode::Refused;
}

ExitCode WriteList(link::Line& client, const link::Converter& converter,
                   const std::vector<link::MeterListRow>& rows, RecordPrinter& printer, std::ostream& err) {
    link::MeterTable table;
    table.count = static_cast<int>(rows.size());
    link::ApplyMeterListEdits(table, rows, true);
    link::PendingCommand slot;
    slot.setMeterList(link::BuildMeterListWrites(converter.address, table));
    while (const auto job = slot.take()) {
        if (Interrupted())
            return ExitCode::Failed;
        const link::CommandOutcome outcome = link::RunSettingsJob(client, converter, *job);
        const std::string reason = outcome.ok() ? std::string() : link::FailureReason(outcome);
        Record record;
        record.add("step", StepName(job->command)).add("result", ExchangeWords(outcome.error));
        printer.print(
            record.add("report", link::CommandReport(converter, job->command, outcome.ok(), reason)));
        if (!outcome.ok()) {
            err << "tev meters import: " << StepName(job->command)
                << " not confirmed: " << ExchangeWords(outcome.error) << " (" << reason
                << "); the rest was not sent\n";
            return ExchangeExit(outcome.error, true);
        }
    }
    return ConfirmList(client, converter, table, printer, err);
}

// The rows of the file, checked; nullopt after saying why not.
std::optional<std::vector<link::MeterListRow>> RowsOfFile(const std::string& file, std::ostream& err) {
    const auto bytes = ReadBounded(file);
    if (!bytes) {
        Fail(err, kName, ExitCode::File, "cannot read " + file);
        return std::nullopt;
    }
    link::MeterListFile parsed = link::ParseMeterListFile(*bytes, true);
    std::string problem = parsed.truncated ? "too long, not a meter list" : ImportRowsProblem(parsed.rows);
    if (parsed.rows.size() > link::MeterTable::kMaxUsed)
        problem = "more than 64 meters";
    if (!problem.empty()) {
        Fail(err, kName, ExitCode::File, file + ": " + problem + "; nothing sent");
        return std::nullopt;
    }
    return std::move(parsed.rows);
}

} // namespace

int RunMetersImport(CommandArgs args, std::ostream& out, std::ostream& err) {
    Invocation call;
    if (const auto done = Prepare({kName, kMetersHelp, kOptions, false, 1}, args, out, err, call))
        return *done;
    std::string problem;
    const auto address = ConverterAddressOption(call.parsed, problem);
    if (!address)
        return Fail(err, kName, ExitCode::Usage, problem);
    const auto rows = RowsOfFile(call.parsed.positional.front(), err);
    if (!rows)
        return ToInt(ExitCode::File);
    StoppableLine client;
    const link::Converter converter = ConverterFor(call.common, *address);
    if (const std::string failure = OpenFor(client, converter); !failure.empty())
        return Fail(err, kName, ExitCode::Port, failure);
    const CancelOnInterrupt cancel([&client] { client.cancel(); });
    const auto count = ConfiguredMeterCount(client, converter);
    if (!count)
        return Fail(err, kName, ExitCode::NoAnswer,
                    "no configuration from the converter (读配置参数失败); nothing written");
    if (*count != rows->size())
        return Fail(err, kName, ExitCode::File,
                    "the file holds " + std::to_string(rows->size()) + " meters, the converter counts " +
                        std::to_string(*count) + " (tev config set --meters); nothing written");
    RecordPrinter printer(out, call.common.format);
    return ToInt(WriteList(client, converter, *rows, printer, err));
}

} // namespace tev::cli
