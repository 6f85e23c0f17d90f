// tev-bench-data-poll: time of one data-page tick's two exchanges (status read of 5000 + e, values
// read of 4e: four frames of 8 + 7 + 8 + 13 bytes) through the serial client, on the simulated
// converter with wire-speed pacing, against the wire time of those four frames.
//
// usage: tev-bench-data-poll [polls per rate, default 100]
#include "tev/link/data_poll.hpp"
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
constexpr std::uint8_t kPort = 251;
constexpr int kFrameBytes = 8 + 7 + 8 + 13;
constexpr double kTarget = 1.15;

double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

// Returns false when a poll fails or the median misses the target.
bool RunRate(std::uint32_t baud, int polls) {
    tev::link::SerialClient client;
    if (client.open({kPort, baud, 0, 8, 0}) != 0) {
        std::printf("  %6u bit/s: cannot open the line: %s\n", baud, client.openFailure().c_str());
        return false;
    }
    std::vector<double> times;
    int failures = 0;
    for (int i = 0; i < polls; ++i) {
        const auto start = Clock::now();
        const auto result = tev::link::RunDataPoll(client, 1, i % 8);
        const auto end = Clock::now();
        if (!result.status || !result.values)
            ++failures;
        else
            times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    const double wire = kFrameBytes * 10.0 * 1000.0 / baud; // start + 8 data + stop bits
    const double median = Percentile(times, 0.5);
    std::printf("  %6u bit/s: wire %6.2f ms  median %6.2f ms  p95 %6.2f ms  median/wire %5.3f  (%zu ok, %d "
                "failed)\n",
                baud, wire, median, Percentile(times, 0.95), median / wire, times.size(), failures);
    return failures == 0 && median <= kTarget * wire;
}

} // namespace

int main(int argc, char** argv) {
    const int polls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    std::printf("Data page tick (two exchanges, %d frame bytes), %d polls per rate, target at 9600: median <= %.2f x "
                "wire:\n",
                kFrameBytes, polls, kTarget);
    bool ok = true;
    for (const std::uint32_t baud : {9600U, 19200U, 115200U}) {
        // A converter that talks at this rate, alone on its line.
        tev::sim::ConverterConfig config;
        config.meterCount = 8;
        config.baudCode = tev::sim::ConverterBaudCode(baud).value_or(0x36);
        tev::sim::Line line;
        line.add(std::make_shared<tev::sim::Converter>(config, tev::sim::SampleMeters(8, 12345678)));
        line.start();
        ::setenv(("TEV_COM" + std::to_string(kPort)).c_str(), line.path().c_str(), 1);
        // The target holds at 9600 bit/s; at higher rates the fixed turnaround weighs more.
        const bool within = RunRate(baud, polls);
        ok = (baud != 9600 || within) && ok;
        line.stop();
    }
    std::printf("  %s\n\n", ok ? "within target" : "TARGET MISSED");
    return ok ? 0 : 1;
}
