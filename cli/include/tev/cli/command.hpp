// A subcommand of tev: its name, one line for the overview, and its entry. args are the words after
// the subcommand's name; out and err stand for stdout and stderr (a test passes streams of its own).
// The entry returns the exit status (ExitCode).
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace tev::cli {

using CommandArgs = std::span<const std::string>;
using CommandEntry = int (*)(CommandArgs args, std::ostream& out, std::ostream& err);

struct Command {
    std::string_view name;
    std::string_view summary;
    CommandEntry run;
};

} // namespace tev::cli
