// What every subcommand does before and around its work: parse its words (nothing is sent when they
// do not parse), print its help, and say an error on stderr with the exit status that goes with it.
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string_view>

#include "tev/cli/command.hpp"
#include "tev/cli/common_options.hpp"
#include "tev/cli/exit_code.hpp"

namespace tev::cli {

struct CommandSetup {
    std::string_view name; // "config set", as messages name the command
    std::string_view help; // the --help text
    std::span<const OptionSpec> options;
    bool manyRates = false;     // several --rate are meant (a search)
    std::size_t positional = 0; // words besides the options it takes
    bool takesTimeout = false;  // --timeout means something to it (others time receives by the rate)
};

struct Invocation {
    ParsedArgs parsed;
    CommonOptions common;
};

// Parses args into `call`. Returns the exit status when the command ends here (--help printed on
// out: 0; a usage error said on err: ExitCode::Usage), nullopt when it goes on.
std::optional<int> Prepare(const CommandSetup& setup, CommandArgs args, std::ostream& out, std::ostream& err,
                           Invocation& call);

// "tev <command>: <text>" on err; returns `code` as the exit status.
int Fail(std::ostream& err, std::string_view command, ExitCode code, std::string_view text);

// A subcommand with further subcommands ("config get|set"): the entry of the word args[0].
struct SubcommandEntry {
    std::string_view name;
    CommandEntry run;
};
int Dispatch(std::string_view command, std::string_view help, std::span<const SubcommandEntry> entries,
             CommandArgs args, std::ostream& out, std::ostream& err);

} // namespace tev::cli
