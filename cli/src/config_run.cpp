// tev config set on the line: the present configuration, the writes one by one, the read-back.
#include <span>

#include "tev/cli/config_steps.hpp"
#include "tev/cli/converter_access.hpp"
#include "tev/cli/interrupt.hpp"

namespace tev::cli {
namespace {

Record StepRecord(const ConfigStep& step, std::string_view result) {
    Record record;
    record.add("step", step.name)
        .add("register", int{step.reg})
        .add("value", step.value)
        .add("result", result);
    return record;
}

// The steps after a failure, with the page's report of a command left unsent.
void ReportNotSent(const link::Converter& converter, std::span<const ConfigStep> rest,
                   RecordPrinter& printer) {
    for (const ConfigStep& step : rest)
        printer.print(StepRecord(step, "not sent")
                          .add("report", link::CommandReport(converter, step.command, false, "未发送")));
}

// Sends one step; after its echo the converter is followed to where it moved.
ExitCode RunStep(link::Line& client, link::Converter& converter, const ConfigStep& step,
                 const protocol::ConverterConfig& expected, RecordPrinter& printer, std::ostream& err) {
    link::AddressChange move;
    if (step.command == link::SettingsCommand::AddressBaud)
        move.expect(expected.address, link::RateIndexOfCode(expected.baudCode).value_or(0));
    const link::CommandOutcome outcome = link::RunSettingsJob(
        client, converter, {step.command, step.frame, link::ExtraTimeoutMs(step.command)});
    const std::string reason = outcome.ok() ? std::string() : link::FailureReason(outcome);
    Record record = StepRecord(step, ExchangeWords(outcome.error));
    record.add("report", link::CommandReport(converter, step.command, outcome.ok(), reason));
    printer.print(record);
    if (!outcome.ok()) {
        err << "tev config set: " << step.name << " not confirmed: " << ExchangeWords(outcome.error) << " ("
            << reason << ")\n";
        return ExchangeExit(outcome.error, true);
    }
    if (step.command == link::SettingsCommand::Parity)
        converter.parity = expected.parity;
    if (const auto moved = move.settle(converter, outcome))
        converter = *moved;
    return ExitCode::Ok;
}

bool SameSettings(const protocol::ConverterConfig& a, const protocol::ConverterConfig& b) {
    return a.address == b.address && a.baudCode == b.baudCode && a.acquisitionTime == b.acquisitionTime &&
           a.meterType == b.meterType && a.meterCount == b.meterCount && a.parity == b.parity;
}

ExitCode ReadBack(link::Line& client, const link::Converter& converter,
                  const protocol::ConverterConfig& expected, RecordPrinter& printer, std::ostream& err) {
    const auto read = link::ReadConfiguration(client, converter);
    if (!read) {
        err << "tev config set: no configuration read back at address " << int{converter.address} << ", "
            << converter.baud << " bit/s, parity " << ParityName(converter.parity) << '\n';
        return ExitCode::NoAnswer;
    }
    const bool same = SameSettings(read->config, expected);
    Record record;
    record.add("step", "read-back");
    AddConfigFields(record, read->config, read->text);
    record.add("confirmed", same);
    printer.print(record);
    if (!same)
        err << "tev config set: the configuration read back is not the one written\n";
    return same ? ExitCode::Ok : ExitCode::Refused;
}

} // namespace

ExitCode RunConfigChange(link::Line& client, link::Converter& converter, const ConfigChange& change,
                         RecordPrinter& printer, std::ostream& err) {
    const auto present = link::ReadConfiguration(client, converter);
    if (!present) {
        err << "tev config set: no configuration from address " << int{converter.address}
            << " (读配置参数失败); nothing written\n";
        return Interrupted() ? ExitCode::Failed : ExitCode::NoAnswer;
    }
    converter.config = present->config;
    converter.configText = present->text;
    std::string problem;
    const std::vector<ConfigStep> steps = PlanConfigSteps(change, present->config, problem);
    if (steps.empty()) {
        err << "tev config set: " << problem << "; nothing written\n";
        return ExitCode::Usage;
    }
    const protocol::ConverterConfig expected = ExpectedConfig(change, present->config);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (Interrupted()) {
            ReportNotSent(converter, std::span(steps).subspan(i), printer);
            return ExitCode::Failed;
        }
        if (const ExitCode result = RunStep(client, converter, steps[i], expected, printer, err);
            result != ExitCode::Ok) {
            ReportNotSent(converter, std::span(steps).subspan(i + 1), printer);
            return result;
        }
    }
    return ReadBack(client, converter, expected, printer, err);
}

} // namespace tev::cli
