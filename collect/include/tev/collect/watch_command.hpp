// "tev watch --config FILE": the collector as a subcommand of tev.
#pragma once

#include "tev/cli/command.hpp"

namespace tev::collect {

int RunWatch(cli::CommandArgs args, std::ostream& out, std::ostream& err);

} // namespace tev::collect
