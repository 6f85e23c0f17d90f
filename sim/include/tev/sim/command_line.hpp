// The command line of tev-sim: which set-up to serve, on which device, with which faults.
//
//   tev-sim [options] [set-up file]
//   --help, -h                 usage on stdout
//   --version                  the version on stdout
//   --print-default            the default set-up file on stdout
//   --link PATH                a symbolic link PATH to the first line (PATH-2 ... to the others)
//   --device PATH              serve one line of the set-up (--only NAME, default "converters") on a
//   --baud N, --parity P         real serial device at this rate and parity
//   --drop V, --corrupt V, --garbage V, --truncate V, --late V      faults of every line:
//                                off, next:N (the next N replies) or every:N (every N-th reply)
//   --late-ms N, --delay N, --pacing on|off                          the same keys as the set-up file
// Each option may also be written --key=value.
#pragma once

#include "tev/sim/setup.hpp"

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tev::sim {

struct SimCommandLine {
    enum class Action { Serve, Help, Version, PrintDefault };
    Action action = Action::Serve;
    std::string setupFile; // empty: the shipped default set-up
    std::string device;    // not empty: serve the line named by `only` on this real device
    std::string only = "converters";
    std::string baud; // empty: the rate of the line's first converter or meter
    std::string parity = "none";
    std::string link; // not empty: keep symbolic links of this name to the lines' devices
    std::vector<std::pair<std::string, std::string>> lineKeys; // set-up keys applied to every line
    std::string error; // not empty: the arguments are not a valid command line
};

// The usage text of tev-sim.
extern const std::string_view kSimUsage;

// Parses the arguments after the program name.
SimCommandLine ParseSimCommandLine(std::span<const std::string_view> args);

// The set-up the command line asks for: the file (at most 1 MiB) or the default, narrowed to one line
// on a real device when asked, with the command line's keys applied to every line. A problem of the
// file gives its line number; one of the command line gives line 0.
SetupParseResult BuildSimSetup(const SimCommandLine& command);

} // namespace tev::sim
