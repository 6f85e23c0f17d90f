// tev-bench-fast-search: time of a fast search over the whole address range at 9600 bit/s with a
// 100 ms timeout on a simulated line with one converter, against the normal search's time (every
// probe one timer tick of timeout + 500 ms: 255 x 600 ms, computed, not run) and against the sum of
// the timeouts (the floor for silent addresses). Then what a silent probe costs with the port marked
// settled and with the quiet guard, and a fast search of a range of the demo line.
//
// usage: tev-bench-fast-search [last address, default 255]
#include "tev/link/fast_search.hpp"
#include "tev/link/serial_client.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"
#include "tev/sim/setup.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint8_t kPort = 252;
constexpr std::uint16_t kTimeoutMs = 100;
constexpr double kTargetSeconds = 30.0;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Timed {
    double seconds = 0;
    std::size_t probes = 0;
    std::size_t found = 0;
};

Timed RunFast(const tev::link::SearchOptions& options, int lastAddress) {
    const auto plan = tev::link::FastSearchPlan(options, false, lastAddress);
    tev::link::FastSearchRun run;
    Timed t;
    const auto start = Clock::now();
    t.probes =
        run.run(plan, options.port, options.timeoutMs,
                [&](const tev::link::Probe&, const tev::link::ProbeOutcome& o) { t.found += o.answered; });
    t.seconds = Seconds(start);
    return t;
}

void MapPort(int port, const std::string& path) {
    ::setenv(("TEV_COM" + std::to_string(port)).c_str(), path.c_str(), 1);
}

// Median time of a probe of a silent address, after a silent probe; with settle the port is marked
// settled in between, as the fast search does.
double SilentProbeMs(bool settle, int runs) {
    tev::link::SerialClient client;
    if (client.open({kPort, 9600, 0, 8, 0}) != 0)
        return 0;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        client.modbus(tev::link::SearchRequest(static_cast<std::uint8_t>(200 + i % 50)), kTimeoutMs);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (settle)
            UartSettle(kPort);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The demo line: converters 1 and 2 at 9600 on COM1; 9600 and 19200 ticked. Returns the converters found.
std::size_t RunOnDemoLine(tev::link::SearchOptions options, int last) {
    auto demo = tev::sim::StartDefaultSetup();
    for (const auto& l : demo.lines)
        if (l.port > 0)
            MapPort(l.port, l.line->path());
    options.port = 1;
    options.rates[4] = true;
    const int demoLast = std::min(last, 32);
    const Timed d = RunFast(options, demoLast);
    std::printf("  demo line COM1, addresses 1-%d at 9600 and 19200: %.2f s, %zu probes, %zu found"
                " (normal search %.1f s computed)\n\n",
                demoLast, d.seconds, d.probes, d.found, 2 * demoLast * (kTimeoutMs + 500) / 1000.0);
    for (auto& l : demo.lines)
        l.line->stop();
    return d.found;
}

} // namespace

int main(int argc, char** argv) {
    const int last = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 255) : 255;
    tev::sim::ConverterConfig config; // 9600 bit/s
    config.address = 100;
    tev::sim::Line line;
    line.add(std::make_shared<tev::sim::Converter>(config));
    line.start();
    MapPort(kPort, line.path());

    tev::link::SearchOptions options;
    options.port = kPort;
    options.rates[3] = true; // 9600
    options.timeoutMs = kTimeoutMs;
    const Timed fast = RunFast(options, last);
    const double normal = last * (kTimeoutMs + 500) / 1000.0;
    const double floor = last * kTimeoutMs / 1000.0;
    std::printf("Fast search, %d addresses at 9600 bit/s, %u ms timeout, one converter (simulated, paced):\n",
                last, kTimeoutMs);
    std::printf("  fast %.2f s (%zu probes, %zu found)  normal search %.1f s (computed)  timeouts %.1f s\n",
                fast.seconds, fast.probes, fast.found, normal, floor);
    std::printf("  fast/normal %.3f  fast/timeouts %.3f  target %.0f s for 255: %s\n", fast.seconds / normal,
                fast.seconds / floor, kTargetSeconds,
                fast.found == 1 && fast.seconds * 255 / last <= kTargetSeconds ? "within target"
                                                                               : "TARGET MISSED");
    const double settled = SilentProbeMs(true, 20);
    const double guarded = SilentProbeMs(false, 20);
    std::printf(
        "  silent probe after a silent one (median of 20): settled %.1f ms, with the quiet guard %.1f ms"
        " (x%.2f)\n",
        settled, guarded, guarded / settled);
    line.stop();
    const std::size_t demoFound = RunOnDemoLine(options, last);
    return fast.found == 1 && demoFound == 2 ? 0 : 1;
}
