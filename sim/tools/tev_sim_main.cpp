// tev-sim: starts simulated devices on new pseudo-terminals (or a real serial device) and serves
// them until SIGINT or SIGTERM.
#include "tev/sim/setup.hpp"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

constexpr const char* kUsage =
    "usage: tev-sim [set-up file]          start the lines of the file (default: the shipped set-up)\n"
    "       tev-sim --device PATH [--baud N] [--parity none|even|odd] [--only "
    "converters|meters|modules|measuring]\n"
    "                                      serve the default devices of one line on a real serial device\n"
    "       tev-sim --print-default        print the default set-up file\n";

int run(const tev::sim::SetupSpec& spec) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr); // line threads inherit the mask
    const auto setup = tev::sim::startSetup(spec);
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

// The default line named `only` served on a real device.
std::optional<tev::sim::SetupSpec> realDeviceSpec(int argc, char** argv) {
    auto spec = *tev::sim::parseSetup(tev::sim::kDefaultSetupText).setup;
    std::string device, only = "converters", baud, parity = "none";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--device")
            device = argv[i + 1];
        else if (key == "--baud")
            baud = argv[i + 1];
        else if (key == "--parity")
            parity = argv[i + 1];
        else if (key == "--only")
            only = argv[i + 1];
        else
            return std::nullopt;
    }
    for (auto& line : spec.lines) {
        const bool match = line.name.find(only) != std::string::npos;
        if (!match)
            continue;
        std::string text =
            "[line]\nname=" + line.name + "\ndevice=" + device + "\ndevice-parity=" + parity + "\n";
        if (!baud.empty())
            text += "device-baud=" + baud + "\n";
        auto parsed = tev::sim::parseSetup(text);
        if (!parsed)
            return std::nullopt;
        line.device = parsed.setup->lines[0].device;
        line.deviceParity = parsed.setup->lines[0].deviceParity;
        line.deviceBaud = parsed.setup->lines[0].deviceBaud;
        if (baud.empty() && !line.converters.empty())
            line.deviceBaud = *tev::sim::converterBaud(line.converters[0].config.baudCode);
        if (baud.empty() && !line.mbusMeters.empty())
            line.deviceBaud = line.mbusMeters[0].baud;
        return tev::sim::SetupSpec{{line}};
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 2 && std::string(argv[1]) == "--print-default") {
            std::cout << tev::sim::kDefaultSetupText;
            return 0;
        }
        if (argc >= 3 && std::string(argv[1]) == "--device") {
            const auto spec = realDeviceSpec(argc, argv);
            if (!spec) {
                std::cerr << kUsage;
                return 2;
            }
            return run(*spec);
        }
        if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
            std::cerr << kUsage;
            return 2;
        }
        std::string text(tev::sim::kDefaultSetupText);
        if (argc == 2) {
            std::ifstream file(argv[1]);
            if (!file) {
                std::cerr << "tev-sim: cannot read " << argv[1] << "\n";
                return 1;
            }
            text.assign(std::istreambuf_iterator<char>(file), {});
        }
        const auto parsed = tev::sim::parseSetup(text);
        if (!parsed) {
            std::cerr << "tev-sim: " << (argc == 2 ? argv[1] : "default set-up") << ":" << parsed.errorLine
                      << ": " << parsed.error << "\n";
            return 1;
        }
        return run(*parsed.setup);
    } catch (const std::exception& e) {
        std::cerr << "tev-sim: " << e.what() << "\n";
        return 1;
    }
}
