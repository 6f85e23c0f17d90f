// tev config get|set: the settings page's configuration read and its writes, each counted only when
// the converter echoed it.
#include "tev/cli/commands.hpp"

#include <array>
#include <cstdio>

#include "tev/cli/command_run.hpp"
#include "tev/cli/config_steps.hpp"
#include "tev/cli/converter_access.hpp"
#include "tev/cli/interrupt.hpp"
#include "tev/cli/stoppable_line.hpp"
#include "tev/link/converter_settings.hpp"

namespace tev::cli {
namespace {

constexpr std::array kGetOptions{OptionSpec{"address", 'a'}};
constexpr std::array kSetOptions{
    OptionSpec{"address", 'a'},     OptionSpec{"new-address"}, OptionSpec{"new-rate"},
    OptionSpec{"acquisition-time"}, OptionSpec{"meters"},      OptionSpec{"type"},
    OptionSpec{"new-parity"},
};

constexpr std::string_view kHelp =
    R"(usage: tev config get --port PORT --address A [--rate BPS] [--parity P] [--json|--csv]
       tev config set --port PORT --address A [--acquisition-time S] [--meters N] [--type T]
                      [--new-parity none|even|odd] [--new-address A] [--new-rate BPS]

get reads the converter's configuration (registers 6000-6004). set writes what is asked, in this
order: acquisition time (3..9999), meter type and count (register 6002; --meters 0..64 keeps the
converter's type unless --type 0..255 is given, --type alone keeps the count), the converter's
parity (--new-parity), then its address (1..255) and rate (2400 ... 115200). A write counts only
when the converter echoed it; after the writes that move the converter the command talks to it at
its new settings and reads the configuration back. --rate and --parity are those of the line (the
converter's present settings, default 9600 and none).
)";

int RunGet(CommandArgs args, std::ostream& out, std::ostream& err) {
    Invocation call;
    if (const auto done = Prepare({"config get", kHelp, kGetOptions}, args, out, err, call))
        return *done;
    std::string problem;
    const auto address = ConverterAddressOption(call.parsed, problem);
    if (!address)
        return Fail(err, "config get", ExitCode::Usage, problem);
    StoppableLine client;
    const link::Converter converter = ConverterFor(call.common, *address);
    if (const std::string failure = OpenFor(client, converter); !failure.empty())
        return Fail(err, "config get", ExitCode::Port, failure);
    const CancelOnInterrupt cancel([&client] { client.cancel(); });
    const auto read = link::ReadConfiguration(client, converter);
    if (!read)
        return Fail(err, "config get", ExitCode::NoAnswer,
                    "no configuration from address " + std::to_string(*address) + " (读配置参数失败)");
    Record record;
    record.add("address", int{*address}).add("rate", std::int64_t{converter.baud});
    AddConfigFields(record, read->config, read->text);
    RecordPrinter(out, call.common.format).print(record);
    return ToInt(ExitCode::Ok);
}

int RunSet(CommandArgs args, std::ostream& out, std::ostream& err) {
    Invocation call;
    if (const auto done = Prepare({"config set", kHelp, kSetOptions}, args, out, err, call))
        return *done;
    std::string problem;
    const auto request = ParseConfigChange(call.parsed, problem);
    if (!request)
        return Fail(err, "config set", ExitCode::Usage, problem);
    StoppableLine client;
    link::Converter converter = ConverterFor(call.common, request->address);
    if (const std::string failure = OpenFor(client, converter); !failure.empty())
        return Fail(err, "config set", ExitCode::Port, failure);
    const CancelOnInterrupt cancel([&client] { client.cancel(); });
    RecordPrinter printer(out, call.common.format);
    return ToInt(RunConfigChange(client, converter, *request, printer, err));
}

constexpr std::array kEntries{SubcommandEntry{"get", RunGet}, SubcommandEntry{"set", RunSet}};

} // namespace

int RunConfig(CommandArgs args, std::ostream& out, std::ostream& err) {
    return Dispatch("config", kHelp, kEntries, args, out, err);
}

} // namespace tev::cli
