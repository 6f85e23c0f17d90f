// The entries of tev's subcommands (besides watch, which the collector holds).
#pragma once

#include "tev/cli/command.hpp"

namespace tev::cli {

int RunSearch(CommandArgs args, std::ostream& out, std::ostream& err);
int RunConfig(CommandArgs args, std::ostream& out, std::ostream& err); // config get|set
int RunMeters(CommandArgs args, std::ostream& out, std::ostream& err); // meters export|import
int RunRead(CommandArgs args, std::ostream& out, std::ostream& err);
int RunMbus(CommandArgs args, std::ostream& out, std::ostream& err); // mbus set-address|send

} // namespace tev::cli
