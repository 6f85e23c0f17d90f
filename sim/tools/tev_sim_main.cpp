// tev-sim: starts simulated devices on new pseudo-terminals (or a real serial device) and serves
// them until SIGINT, SIGTERM or SIGHUP, then closes them.
#include "tev/sim/command_line.hpp"
#include "tev/sim/setup.hpp"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

int Run(const tev::sim::SetupSpec& spec) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr); // line threads inherit the mask
    const auto setup = tev::sim::StartSetup(spec);
    for (const auto& line : setup.lines) {
        std::cout << line.name << ": " << line.line->path();
        if (line.port > 0)
            std::cout << "  (COM" << line.port << ")";
        if (!line.note.empty())
            std::cout << "  [" << line.note << "]";
        std::cout << "\n";
    }
    std::cout << "\n# export these for the program:\n";
    std::istringstream exports(setup.exports());
    for (std::string l; std::getline(exports, l);)
        std::cout << "export " << l << "\n";
    std::cout << "\nserving; stop with Ctrl-C" << std::endl;
    int signal = 0;
    sigwait(&signals, &signal);
    std::cout << "stopping" << std::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const std::vector<std::string_view> args(argv + 1, argv + argc);
        const auto command = tev::sim::ParseSimCommandLine(args);
        if (!command.error.empty()) {
            std::cerr << "tev-sim: " << command.error << "\n" << tev::sim::kSimUsage;
            return 2;
        }
        if (command.action == tev::sim::SimCommandLine::Action::Help) {
            std::cout << tev::sim::kSimUsage;
            return 0;
        }
        if (command.action == tev::sim::SimCommandLine::Action::PrintDefault) {
            std::cout << tev::sim::kDefaultSetupText;
            return 0;
        }
        const auto parsed = tev::sim::BuildSimSetup(command);
        if (!parsed) {
            std::cerr << "tev-sim: ";
            if (parsed.errorLine > 0)
                std::cerr << (command.setupFile.empty() ? "default set-up" : command.setupFile) << ":"
                          << parsed.errorLine << ": ";
            std::cerr << parsed.error << "\n";
            return 1;
        }
        return Run(*parsed.setup);
    } catch (const std::exception& e) {
        std::cerr << "tev-sim: " << e.what() << "\n";
        return 1;
    }
}
