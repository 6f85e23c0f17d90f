// Starting a set of simulated lines.
#include "tev/sim/setup.hpp"

#ifdef TEV_SIM_HAVE_MODULES
#include "tev/sim/module_bank.hpp"
#endif

namespace tev::sim {
namespace {

// The module bank on a line, or why there is none.
std::string AddModules(Line& line) {
#ifdef TEV_SIM_HAVE_MODULES
    // The bank answers one caller at a time; the line thread is the only caller, the mutex only
    // guards against a second line sharing it by mistake.
    auto bank = std::make_shared<ModuleBank>(ModuleBank::makeDefault());
    auto mutex = std::make_shared<std::mutex>();
    line.add(MakeAsciiDevice([bank, mutex](std::string_view text) {
        std::lock_guard lock(*mutex);
        return bank->answer(text);
    }));
    return {};
#else
    (void)line;
    return "built without the I-7000 module simulators";
#endif
}

RunningLine StartLine(const LineSpec& spec) {
    RunningLine running;
    running.name = spec.name;
    running.port = spec.port;
    running.line = spec.device.empty() ? std::make_unique<Line>() : std::make_unique<Line>(spec.device);
    Line& line = *running.line;
    line.options().pacing = spec.pacing;
    line.options().replyDelayMs = spec.replyDelayMs;
    line.options().dropReplies = spec.faults.drop;
    line.options().corruptReplies = spec.faults.corrupt;
    line.options().garbageReplies = spec.faults.garbage;
    line.options().truncateReplies = spec.faults.truncate;
    line.options().lateReplies = spec.faults.late;
    line.options().lateReplyMs = spec.faults.lateMs;
    line.options().realBaud = spec.deviceBaud;
    line.options().realParity = spec.deviceParity;
    for (const auto& c : spec.converters) {
        auto converter =
            std::make_shared<Converter>(c.config, SampleMeters(c.config.meterCount, c.firstSerial));
        running.converters.push_back(converter);
        line.add(converter);
    }
    if (!spec.mbusMeters.empty()) {
        running.mbusMeters = std::make_shared<MbusMeterBank>(spec.mbusMeters);
        line.add(running.mbusMeters);
    }
    for (const auto& d : spec.domesticMeters)
        line.add(std::make_shared<DomesticMeter>(d));
    if (spec.modules)
        running.note = AddModules(line);
    if (spec.measuring)
        line.add(std::make_shared<MeasuringModule>(*spec.measuring));
    line.start();
    return running;
}

} // namespace

Setup StartSetup(const SetupSpec& spec) {
    Setup setup;
    for (const auto& line : spec.lines)
        setup.lines.push_back(StartLine(line));
    return setup;
}

DefaultSetup StartDefaultSetup() {
    return StartSetup(*ParseSetup(kDefaultSetupText).setup);
}

std::string Setup::exports() const {
    std::string out;
    for (const auto& line : lines)
        if (line.port > 0)
            out += "TEV_COM" + std::to_string(line.port) + "=" + line.line->path() + "\n";
    return out;
}

} // namespace tev::sim
