// The command line of tev-sim.
#include "tev/sim/command_line.hpp"

#include <algorithm>
#include <array>
#include <fstream>

namespace tev::sim {
namespace {

constexpr std::size_t kMaxSetupFileBytes = 1024 * 1024;

// Set-up keys that the command line may set on every line.
constexpr std::array<std::string_view, 8> kLineKeys = {"drop", "corrupt", "garbage", "truncate",
                                                       "late", "late-ms", "delay",   "pacing"};

bool IsLineKey(std::string_view key) {
    return std::find(kLineKeys.begin(), kLineKeys.end(), key) != kLineKeys.end();
}

// Takes one "--key value" or "--key=value" option; false when it is not one.
bool TakeOption(SimCommandLine& out, std::string_view key, std::string_view value) {
    if (key == "device")
        out.device = value;
    else if (key == "baud")
        out.baud = value;
    else if (key == "parity")
        out.parity = value;
    else if (key == "only")
        out.only = value;
    else if (key == "link")
        out.link = value;
    else if (IsLineKey(key))
        out.lineKeys.emplace_back(key, value);
    else
        return false;
    return true;
}

SetupParseResult Failure(int line, std::string error) {
    return {std::nullopt, line, std::move(error)};
}

// The set-up file's text, or nullopt when it cannot be read whole.
std::optional<std::string> ReadSetupFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text(kMaxSetupFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad() || text.size() > kMaxSetupFileBytes)
        return std::nullopt;
    return text;
}

// Keeps only the line named by `only`, served on the real device.
std::string NarrowToDevice(const SimCommandLine& command, SetupSpec& setup) {
    const auto found = std::find_if(setup.lines.begin(), setup.lines.end(), [&](const LineSpec& line) {
        return line.name.find(command.only) != std::string::npos;
    });
    if (found == setup.lines.end())
        return "no line named " + command.only;
    LineSpec line = *found;
    if (!line.converters.empty())
        line.deviceBaud = *ConverterBaud(line.converters[0].config.baudCode);
    else if (!line.mbusMeters.empty())
        line.deviceBaud = line.mbusMeters[0].baud;
    std::string error = SetLineKey(line, "device", command.device);
    if (error.empty())
        error = SetLineKey(line, "device-parity", command.parity);
    if (error.empty() && !command.baud.empty())
        error = SetLineKey(line, "device-baud", command.baud);
    setup.lines = {std::move(line)};
    return error;
}

} // namespace

const std::string_view kSimUsage =
    "usage: tev-sim [options] [set-up file]\n"
    "  Starts the lines of the set-up file (default: the shipped set-up) on new pseudo-terminals and\n"
    "  serves them until Ctrl-C; prints each line's path and the TEV_COM<N>= lines for the program.\n"
    "\n"
    "  -h, --help               this text\n"
    "  --version                the version\n"
    "  --print-default          print the default set-up file, to copy and edit\n"
    "  --link PATH              keep a symbolic link PATH to the first line's pseudo-terminal (PATH-2,\n"
    "                           PATH-3 ... to the others) while serving: a name to map that stays\n"
    "                           across restarts, unlike /dev/pts/N; removed on exit\n"
    "  --device PATH            serve one line on a real serial device instead\n"
    "  --only NAME              the line to serve there (converters, meters, modules, measuring;\n"
    "                           default converters)\n"
    "  --baud N                 rate of the real device (default: the line's own)\n"
    "  --parity none|even|odd   parity of the real device (default none)\n"
    "\n"
    "Faults, applied to every line (a set-up file sets them per line with the same keys, e.g.\n"
    "\"drop = every:5\"). V is off, next:N (the next N replies) or every:N (every N-th reply):\n"
    "  --drop V                 the reply is not sent\n"
    "  --corrupt V              the reply's checksum byte is flipped\n"
    "  --garbage V              noise bytes FF 80 7F come before the reply\n"
    "  --truncate V             only the first half of the reply is sent\n"
    "  --late V                 the reply begins --late-ms after the request\n"
    "  --late-ms N              turnaround of a late reply, 0..60000 ms (default 1000)\n"
    "  --delay N                turnaround of every reply, 0..10000 ms (default 0)\n"
    "  --pacing on|off          requests and replies take their wire time (default on)\n"
    "Options also take the form --key=value.\n"
    "\n"
    "Example: tev-sim --corrupt every:10 --late next:3 --late-ms 150\n";

SimCommandLine ParseSimCommandLine(std::span<const std::string_view> args) {
    SimCommandLine out;
    for (std::size_t i = 0; i < args.size() && out.error.empty(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "-h" || arg == "--help") {
            out.action = SimCommandLine::Action::Help;
            return out;
        }
        if (arg == "--version") {
            out.action = SimCommandLine::Action::Version;
            return out;
        }
        if (arg == "--print-default") {
            out.action = SimCommandLine::Action::PrintDefault;
        } else if (arg.starts_with("--")) {
            std::string_view key = arg.substr(2);
            std::string_view value;
            if (const auto eq = key.find('='); eq != std::string_view::npos) {
                value = key.substr(eq + 1);
                key = key.substr(0, eq);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                out.error = std::string(arg) + " needs a value";
                break;
            }
            if (!TakeOption(out, key, value))
                out.error = "unknown option " + std::string(arg);
        } else if (!arg.empty() && arg[0] != '-' && out.setupFile.empty()) {
            out.setupFile = arg;
        } else {
            out.error = "unexpected argument " + std::string(arg);
        }
    }
    if (out.error.empty() && out.device.empty() &&
        (!out.baud.empty() || out.parity != "none" || out.only != "converters"))
        out.error = "--baud, --parity and --only need --device";
    return out;
}

SetupParseResult BuildSimSetup(const SimCommandLine& command) {
    std::string text(kDefaultSetupText);
    if (!command.setupFile.empty()) {
        auto read = ReadSetupFile(command.setupFile);
        if (!read)
            return Failure(0, "cannot read " + command.setupFile + " (or it is larger than 1 MiB)");
        text = std::move(*read);
    }
    auto parsed = ParseSetup(text);
    if (!parsed)
        return parsed;
    if (!command.device.empty())
        if (auto error = NarrowToDevice(command, *parsed.setup); !error.empty())
            return Failure(0, std::move(error));
    for (auto& line : parsed.setup->lines)
        for (const auto& [key, value] : command.lineKeys)
            if (auto error = SetLineKey(line, key, value); !error.empty())
                return Failure(0, "--" + key + ": " + error);
    return parsed;
}

} // namespace tev::sim
