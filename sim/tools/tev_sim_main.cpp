// tev-sim: starts simulated devices on new pseudo-terminals (or a real serial device) and serves
// them until SIGINT, SIGTERM or SIGHUP, then closes them.
#include "tev/sim/command_line.hpp"
#include "tev/sim/setup.hpp"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A symbolic link to a line's device, made for the run and taken away at its end.
struct DeviceLink {
    fs::path name;
    fs::path device;
};

// Links base to the first device, base-2, base-3 ... to the others. A symbolic link left by an
// earlier run is replaced; any other file of that name is kept and is an error.
std::string MakeLinks(const std::string& base, const std::vector<std::string>& devices,
                      std::vector<DeviceLink>& links) {
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const fs::path name = i == 0 ? fs::path(base) : fs::path(base + "-" + std::to_string(i + 1));
        std::error_code ec;
        const auto status = fs::symlink_status(name, ec);
        if (fs::is_symlink(status))
            fs::remove(name, ec);
        else if (fs::exists(status))
            return name.string() + " exists and is not a symbolic link";
        fs::create_symlink(devices[i], name, ec);
        if (ec)
            return "cannot make the link " + name.string() + ": " + ec.message();
        links.push_back({name, devices[i]});
    }
    return {};
}

// Removes the links that still point where this run made them point.
void RemoveLinks(const std::vector<DeviceLink>& links) {
    for (const auto& link : links) {
        std::error_code ec;
        if (fs::read_symlink(link.name, ec) == link.device)
            fs::remove(link.name, ec);
    }
}

int Run(const tev::sim::SetupSpec& spec, const std::string& link) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr); // line threads inherit the mask
    const auto setup = tev::sim::StartSetup(spec);
    std::vector<DeviceLink> links;
    if (!link.empty()) {
        std::vector<std::string> devices;
        for (const auto& line : setup.lines)
            devices.push_back(line.line->path());
        if (const auto error = MakeLinks(link, devices, links); !error.empty()) {
            RemoveLinks(links);
            std::cerr << "tev-sim: " << error << "\n";
            return 1;
        }
    }
    for (std::size_t i = 0; i < setup.lines.size(); ++i) {
        const auto& line = setup.lines[i];
        std::cout << line.name << ": " << line.line->path();
        if (line.port > 0)
            std::cout << "  (COM" << line.port << ")";
        if (!line.note.empty())
            std::cout << "  [" << line.note << "]";
        if (i < links.size())
            std::cout << "  link " << links[i].name.string();
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
    RemoveLinks(links);
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
        if (command.action == tev::sim::SimCommandLine::Action::Version) {
            std::cout << "tev-sim " << TEV_VERSION << "\n";
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
        return Run(*parsed.setup, command.link);
    } catch (const std::exception& e) {
        std::cerr << "tev-sim: " << e.what() << "\n";
        return 1;
    }
}
