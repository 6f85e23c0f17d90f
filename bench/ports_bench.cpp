// tev-bench-ports: two converters on two lines refreshed through the program's serial side (one port
// session and thread per port) against one converter alone: the ratio shows whether ports run in
// parallel (1.0) or one after the other (2.0).
//
// usage: tev-bench-ports [refreshes, default 10]
#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/port_hub.hpp"
#include "tev/link/overview_refresh.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kBaud = 9600;
constexpr int kMeters = 64;
constexpr std::uint8_t kFirstPort = 250;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// One refresh of every port's converter, all handed in at once; ms until the last came back.
double RefreshAll(std::vector<PortLease>& leases, std::vector<tev::link::MeterOverview>& overviews,
                  QObject& receiver, int& failed) {
    QEventLoop loop;
    int open = static_cast<int>(leases.size());
    const auto start = Clock::now();
    for (std::size_t i = 0; i < leases.size(); ++i) {
        const tev::SerialSettings settings{.port = leases[i].port(), .baud = kBaud};
        leases[i].run<tev::link::RefreshJob>(
            &receiver,
            [settings, overview = overviews[i]](tev::link::SerialClient& client) {
                return tev::link::RunRefresh(client, settings, overview);
            },
            [&, i](tev::link::RefreshJob job) {
                failed += job.stats.failedBlocks;
                overviews[i] = std::move(job.overview);
                if (--open == 0)
                    loop.quit();
            });
    }
    loop.exec();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int refreshes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    std::vector<std::unique_ptr<tev::sim::Line>> lines;
    for (int i = 0; i < 2; ++i) {
        tev::sim::ConverterConfig config;
        config.meterCount = kMeters;
        lines.push_back(std::make_unique<tev::sim::Line>());
        lines.back()->add(
            std::make_shared<tev::sim::Converter>(config, tev::sim::SampleMeters(kMeters, 1000)));
        lines.back()->start();
        ::setenv(("TEV_COM" + std::to_string(kFirstPort + i)).c_str(), lines.back()->path().c_str(), 1);
    }
    PortHub hub;
    QObject receiver;
    int failed = 0;
    std::vector<PortLease> one;
    one.push_back(hub.lease(kFirstPort));
    std::vector<PortLease> two;
    two.push_back(hub.lease(kFirstPort));
    two.push_back(hub.lease(kFirstPort + 1));
    std::vector<tev::link::MeterOverview> overviews(2, tev::link::MeterOverview(1, kMeters));
    RefreshAll(two, overviews, receiver, failed); // opens both ports and reads the meter lists once
    std::vector<double> alone, both;
    for (int i = 0; i < refreshes; ++i) {
        alone.push_back(RefreshAll(one, overviews, receiver, failed));
        both.push_back(RefreshAll(two, overviews, receiver, failed));
    }
    const double ratio = Median(both) / Median(alone);
    std::printf("Overview refresh of %d meters and 8 counters at %u bit/s, %d refreshes:\n", kMeters, kBaud,
                refreshes);
    std::printf(
        "  one port: median %.1f ms   two ports at once: median %.1f ms   ratio %.3f (target <= 1.1)%s\n",
        Median(alone), Median(both), ratio, failed ? "   SOME BLOCKS FAILED" : "");
    for (auto& line : lines)
        line->stop();
    return ratio <= 1.1 && failed == 0 ? 0 : 1;
}
