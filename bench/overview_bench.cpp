// tev-bench-overview: time of one refresh of the overview "全部表数据" (status and values of all 64
// meters and 8 counters in block reads) through the serial client, on the simulated converter with
// wire-speed pacing, against the wire time of the refresh's frames.
//
// usage: tev-bench-overview [refreshes per rate, default 20]
#include "tev/link/meter_overview.hpp"
#include "tev/link/serial_client.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint8_t kPort = 250;
constexpr int kMeters = 64;
constexpr double kTargetMs = 1000.0; // at 9600 bit/s

double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

// Returns the median time of a refresh, or a negative value when a refresh failed.
double RunRate(std::uint32_t baud, int refreshes) {
    tev::link::SerialClient client;
    if (client.open({kPort, baud, 0, 8, 0}) != 0) {
        std::printf("  %6u bit/s: cannot open the line: %s\n", baud, client.openFailure().c_str());
        return -1;
    }
    tev::link::MeterOverview overview(1, kMeters);
    overview.refresh(client, baud, 0); // the first refresh also reads the meter list
    const auto plan = overview.nextPlan();
    double wire = 0;
    for (const auto& block : plan)
        wire += tev::link::BlockWireMs(block, baud, 0);
    std::vector<double> times;
    int failures = 0;
    for (int i = 0; i < refreshes; ++i) {
        const auto start = Clock::now();
        const auto stats = overview.refresh(client, baud, 0);
        const auto end = Clock::now();
        if (stats.failedBlocks > 0)
            ++failures;
        else
            times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    const double median = Percentile(times, 0.5);
    // The same data entry by entry, as the data page polls one: four frames of 36 bytes per entry.
    const double oneByOne = 72 * 36 * 10.0 * 1000.0 / baud;
    std::printf(
        "  %6u bit/s: %zu reads, wire %7.1f ms  median %7.1f ms  p95 %7.1f ms  median/wire %5.3f  (%zu ok, "
        "%d failed); entry by entry the wire alone takes %.0f ms\n",
        baud, plan.size(), wire, median, Percentile(times, 0.95), median / wire, times.size(), failures,
        oneByOne);
    return failures == 0 ? median : -1;
}

} // namespace

int main(int argc, char** argv) {
    const int refreshes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    std::printf(
        "Overview refresh of %d meters and 8 counters, %d refreshes per rate, target at 9600: median <= %.0f "
        "ms:\n",
        kMeters, refreshes, kTargetMs);
    bool ok = true;
    for (const std::uint32_t baud : {9600U, 19200U, 115200U}) {
        tev::sim::ConverterConfig config;
        config.meterCount = kMeters;
        config.baudCode = tev::sim::ConverterBaudCode(baud).value_or(0x36);
        tev::sim::Line line;
        line.add(std::make_shared<tev::sim::Converter>(config, tev::sim::SampleMeters(kMeters, 12345678)));
        line.start();
        ::setenv(("TEV_COM" + std::to_string(kPort)).c_str(), line.path().c_str(), 1);
        const double median = RunRate(baud, refreshes);
        if (baud == 9600)
            ok = median >= 0 && median <= kTargetMs;
        line.stop();
    }
    std::printf("  %s\n\n", ok ? "within target" : "TARGET MISSED");
    return ok ? 0 : 1;
}
