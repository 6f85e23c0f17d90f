// tev search: the converter search of the search dialog, one line per converter as it is found.
#include "tev/cli/commands.hpp"

#include <array>
#include <chrono>
#include <thread>

#include "tev/cli/command_run.hpp"
#include "tev/cli/converter_access.hpp"
#include "tev/cli/interrupt.hpp"
#include "tev/cli/stoppable_line.hpp"
#include "tev/link/converter_search.hpp"
#include "tev/link/fast_search.hpp"
#include "tev/link/settings_file.hpp"

namespace tev::cli {
namespace {

constexpr std::array kOptions{
    OptionSpec{"fast", 0, false},
    OptionSpec{"all-parities", 0, false},
    OptionSpec{"from"},
    OptionSpec{"to"},
};

constexpr std::string_view kHelp =
    R"(usage: tev search --port PORT [--rate BPS]... [--fast [--all-parities]] [--from A] [--to A]
                  [--parity none|even|odd] [--timeout MS] [--json|--csv]

Asks every address from --from to --to (1..255) at every --rate (1200, 2400, 4800, 9600, 19200,
38400, 57600, 115200; default 9600) for its configuration, as the program's search does, and
prints one line per converter as it answers. Without --fast the probes go one address after the
other with a pause of 500 ms, as the program's search; --fast runs them back to back, rate by rate,
and --all-parities runs the whole search at parity none, even and odd. --timeout is the receive
time of each probe (default 100 ms). Exit status 4 when no converter answered.
)";

constexpr int kPauseMs = 500;

struct SearchPlan {
    link::SearchOptions options;
    bool fast = false;
    bool allParities = false;
    int from = 1;
    int to = 255;
};

std::optional<SearchPlan> PlanOf(const Invocation& call, std::string& problem) {
    SearchPlan plan;
    plan.fast = call.parsed.has("fast");
    plan.allParities = call.parsed.has("all-parities");
    if (plan.allParities && !plan.fast)
        problem = "--all-parities goes with --fast";
    plan.from = static_cast<int>(NumberOption(call.parsed, "from", 1, 255, problem).value_or(1));
    plan.to = static_cast<int>(NumberOption(call.parsed, "to", 1, 255, problem).value_or(255));
    if (problem.empty() && plan.from > plan.to)
        problem = "--from is above --to";
    const std::vector<std::uint32_t> rates =
        call.common.rates.empty() ? std::vector<std::uint32_t>{9600} : call.common.rates;
    for (const std::uint32_t rate : rates) {
        const auto at = std::find(link::kSearchRates.begin(), link::kSearchRates.end(), rate);
        if (at == link::kSearchRates.end())
            problem = "--rate " + std::to_string(rate) + " is not one the search offers";
        else
            plan.options.rates[static_cast<std::size_t>(at - link::kSearchRates.begin())] = true;
    }
    plan.options.port = call.common.port;
    plan.options.parity = call.common.parity.value_or(0);
    plan.options.timeoutMs = call.common.timeoutMs.value_or(100);
    return problem.empty() ? std::optional(plan) : std::nullopt;
}

Record FoundRecord(const link::Converter& converter) {
    Record record;
    record.add("address", int{converter.address})
        .add("rate", std::int64_t{converter.baud})
        .add("parity", ParityName(converter.parity))
        .add("name", converter.name);
    AddConfigFields(record, converter.config, converter.configText);
    return record;
}

// The run's state shared by both kinds of probing.
struct SearchState {
    link::ConverterSearch search;
    RecordPrinter& printer;
    std::string openFailure;
};

// Takes one probe's outcome; false when the search cannot go on (the port did not open).
bool TakeOutcome(SearchState& state, const link::Probe& probe, const link::ProbeOutcome& outcome) {
    if (!outcome.opened) {
        state.openFailure = outcome.openFailure;
        return false;
    }
    if (const auto converter = state.search.record(probe, outcome.reply))
        state.printer.print(FoundRecord(*converter));
    return true;
}

void RunFast(const SearchPlan& plan, SearchState& state) {
    StoppableLine client;
    link::FastSearchRun run(client);
    std::vector<link::Probe> probes = link::FastSearchPlan(plan.options, plan.allParities, plan.to);
    std::erase_if(probes, [&plan](const link::Probe& p) { return p.address < plan.from; });
    const CancelOnInterrupt cancel([&run] { run.stop(); });
    run.run(probes, plan.options.port, plan.options.timeoutMs,
            [&state, &run](const link::Probe& probe, const link::ProbeOutcome& outcome) {
                if (!TakeOutcome(state, probe, outcome))
                    run.stop();
            });
}

// The program's pace: one probe, then a pause, until the last address.
void RunPaced(const SearchPlan& plan, SearchState& state) {
    StoppableLine client;
    const CancelOnInterrupt cancel([&client] { client.cancel(); });
    while (const auto probe = state.search.next()) {
        if (Interrupted())
            break;
        if (probe->address < plan.from)
            continue;
        const link::ProbeOutcome outcome = link::ProbeConverterOn(client, state.search.settingsFor(*probe),
                                                                  probe->address, plan.options.timeoutMs);
        if (!TakeOutcome(state, *probe, outcome))
            break;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPauseMs);
        while (!Interrupted() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    client.close();
}

} // namespace

int RunSearch(CommandArgs args, std::ostream& out, std::ostream& err) {
    Invocation call;
    if (const auto done = Prepare({"search", kHelp, kOptions, true, 0, true}, args, out, err, call))
        return *done;
    std::string problem;
    const auto plan = PlanOf(call, problem);
    if (!plan)
        return Fail(err, "search", ExitCode::Usage, problem);
    RecordPrinter printer(out, call.common.format);
    SearchState state{{}, printer, {}};
    state.search.start(plan->options);
    state.search.setLastAddress(plan->to);
    if (plan->fast)
        RunFast(*plan, state);
    else
        RunPaced(*plan, state);
    const std::size_t found = state.search.found().size();
    const std::string count = state.search.stop();
    if (Interrupted())
        return ToInt(ExitCode::Failed);
    if (!state.openFailure.empty())
        return Fail(err, "search", ExitCode::Port, "cannot open the port: " + state.openFailure);
    err << "tev search: " << found << " converter(s) found (" << count << ")\n";
    return ToInt(found == 0 ? ExitCode::NoAnswer : ExitCode::Ok);
}

} // namespace tev::cli
