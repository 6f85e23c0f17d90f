// tev: the converter tool for scripts and services. "tev <command> [options]"; the commands are
// listed in kCommands and each explains itself with --help.
#include <array>
#include <iostream>
#include <string>
#include <vector>

#include "tev/cli/command.hpp"
#include "tev/cli/exit_code.hpp"
#include "tev/collect/watch_command.hpp"

namespace {

using tev::cli::Command;

constexpr std::array kCommands{
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
        if (command.name == words[0])
            return command.run(tev::cli::CommandArgs(words).subspan(1), std::cout, std::cerr);
    }
    std::cerr << "tev: no command \"" << words[0] << "\" (tev --help lists them)\n";
    return tev::cli::ToInt(tev::cli::ExitCode::Usage);
}
