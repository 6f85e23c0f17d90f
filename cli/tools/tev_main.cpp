// tev: the converter tool for scripts and services. "tev <command> [options]"; the commands are
// listed in kCommands and each explains itself with --help.
#include <array>
#include <iostream>
#include <string>
#include <vector>

#include "tev/cli/command.hpp"
#include "tev/cli/commands.hpp"
#include "tev/cli/exit_code.hpp"
#include "tev/cli/interrupt.hpp"
#include "tev/collect/watch_command.hpp"

namespace {

using tev::cli::Command;

constexpr std::array kCommands{
    Command{"search", "find the converters on a line", tev::cli::RunSearch},
    Command{"config", "read or set a converter's configuration (get, set)", tev::cli::RunConfig},
    Command{"meters", "export or import a converter's meter list as a *.cfg file", tev::cli::RunMeters},
    Command{"read", "read the meters of a converter once", tev::cli::RunRead},
    Command{"mbus", "set a meter's primary address or send a frame to the meters (set-address, send)",
            tev::cli::RunMbus},
    Command{"watch", "collect every meter of the configured lines into CSV, JSON or MQTT", tev::collect::RunWatch},
};

void PrintOverview(std::ostream& out) {
    out << "usage: tev <command> [options]   (tev <command> --help for its options)\n\ncommands:\n";
    for (const Command& command : kCommands)
        out << "  " << command.name << std::string(10 - std::min<std::size_t>(command.name.size(), 9), ' ')
            << command.summary << '\n';
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        PrintOverview(std::cerr);
        return tev::cli::ToInt(tev::cli::ExitCode::Usage);
    }
    if (words[0] == "--help" || words[0] == "-h") {
        PrintOverview(std::cout);
        return 0;
    }
    if (words[0] == "--version") {
        std::cout << "tev " << TEV_VERSION << '\n';
        return 0;
    }
    for (const Command& command : kCommands) {
        if (command.name != words[0])
            continue;
        // The collector handles its signals itself; the other commands cancel their exchange.
        if (command.name != "watch")
            tev::cli::WatchInterrupts(); // before any thread starts
        const int status = command.run(tev::cli::CommandArgs(words).subspan(1), std::cout, std::cerr);
        if (!tev::cli::Interrupted())
            return status;
        std::cerr << "tev " << words[0] << ": interrupted\n";
        return tev::cli::ToInt(tev::cli::ExitCode::Failed);
    }
    std::cerr << "tev: no command \"" << words[0] << "\" (tev --help lists them)\n";
    return tev::cli::ToInt(tev::cli::ExitCode::Usage);
}
