#include "tev/cli/command_run.hpp"

#include <string>

namespace tev::cli {

std::optional<int> Prepare(const CommandSetup& setup, CommandArgs args, std::ostream& out, std::ostream& err,
                           Invocation& call) {
    call.parsed = ParseArgs(args, setup.options);
    std::string problem = call.parsed.problem;
    if (problem.empty())
        problem = TakeCommonOptions(call.parsed, setup.manyRates, call.common);
    if (call.parsed.has("help")) {
        out << setup.help;
        return ToInt(ExitCode::Ok);
    }
    if (problem.empty() && call.common.timeoutMs && !setup.takesTimeout)
        problem = "--timeout does not apply here: the receive time follows the rate";
    if (problem.empty() && call.parsed.positional.size() != setup.positional)
        problem = setup.positional == 0 ? "unexpected word \"" + call.parsed.positional.front() + "\""
                                        : "expected " + std::to_string(setup.positional) + " argument(s)";
    if (problem.empty())
        return std::nullopt;
    err << "tev " << setup.name << ": " << problem << " (tev " << setup.name << " --help)\n";
    return ToInt(ExitCode::Usage);
}

int Fail(std::ostream& err, std::string_view command, ExitCode code, std::string_view text) {
    err << "tev " << command << ": " << text << '\n';
    return ToInt(code);
}

int Dispatch(std::string_view command, std::string_view help, std::span<const SubcommandEntry> entries,
             CommandArgs args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && (args.front() == "--help" || args.front() == "-h")) {
        out << help;
        return ToInt(ExitCode::Ok);
    }
    for (const SubcommandEntry& entry : entries) {
        if (!args.empty() && args.front() == entry.name)
            return entry.run(args.subspan(1), out, err);
    }
    std::string names;
    for (const SubcommandEntry& entry : entries)
        names += (names.empty() ? "" : " or ") + std::string(entry.name);
    if (!args.empty())
        err << "tev " << command << ": \"" << args.front() << "\" is no subcommand; ";
    else
        err << "tev " << command << ": ";
    err << "give " << names << " (tev " << command << " --help)\n";
    return ToInt(ExitCode::Usage);
}

} // namespace tev::cli
