// Parses arbitrary text as a set-up file, and the same text cut at NUL bytes as tev-sim's arguments.
#include "tev/sim/command_line.hpp"
#include "tev/sim/setup.hpp"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

using namespace tev::sim;

namespace {

void CheckFaults(const LineFaults& f) {
    for (const int count : {f.drop, f.corrupt, f.garbage, f.truncate, f.late})
        if (count < -1'000'000 || count > 1'000'000)
            std::abort();
    if (f.lateMs < 0 || f.lateMs > 60'000)
        std::abort();
}

void CheckSetup(const SetupParseResult& parsed) {
    if (!parsed) {
        if (parsed.error.empty() || parsed.errorLine < 0)
            std::abort();
        return;
    }
    for (const auto& line : parsed.setup->lines) {
        CheckFaults(line.faults);
        if (line.port < 0 || line.port > 255 || line.replyDelayMs < 0 || line.replyDelayMs > 10'000)
            std::abort();
        for (const auto& c : line.converters)
            if (c.config.address == 0 || c.config.meterCount > kConverterMeters)
                std::abort();
        if (line.measuring && line.measuring->address.size() != 2)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckSetup(ParseSetup(text));

    std::vector<std::string_view> args;
    for (std::size_t start = 0; start <= text.size();) {
        const auto end = std::min(text.find('\0', start), text.size());
        args.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    auto command = ParseSimCommandLine(args);
    command.setupFile.clear(); // never a file named by the fuzzer
    // Only a command line that changes the default set-up is built: parsing the default each time
    // would take most of the run.
    const bool changes = !command.lineKeys.empty() || !command.device.empty();
    if (command.error.empty() && command.action == SimCommandLine::Action::Serve && changes)
        CheckSetup(BuildSimSetup(command));
    return 0;
}
