// tev-bench-watch: the collector ("tev watch") against simulated converters on pseudo-terminals and
// Debian's mosquitto on a loopback port.
//  1. 4 lines x 1 converter x 64 meters and 8 counters at 9600 bit/s, refreshed as fast as the wire
//     allows: how long until a subscriber has every reading of a refresh, the first one (with the
//     meter lists) and then one after the other, against the target of 1.0 s.
//  2. 4 lines x 4 converters x 63 meters (1008 meters) for a while (60 s, or the seconds given):
//     the collector's CPU time and peak memory, with the MQTT and CSV outputs.
// The simulators run in child processes, so the figures are the collector's own.
//
// usage: tev-bench-watch [seconds of part 2, default 60]
#include "mqtt_peers.hpp"
#include "tev/collect/collector.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
constexpr double kTargetMs = 1000.0;

// Simulated lines in a child process; it ends when the control pipe closes.
struct Simulators {
    pid_t pid = -1;
    int control = -1;
    std::vector<std::string> paths;
};

[[noreturn]] void ServeSimulators(int lines, int converters, int meters, int out, int control) {
    std::vector<std::unique_ptr<tev::sim::Line>> served;
    for (int l = 0; l < lines; ++l) {
        served.push_back(std::make_unique<tev::sim::Line>());
        for (int c = 0; c < converters; ++c) {
            const tev::sim::ConverterConfig config{.address = static_cast<std::uint8_t>(c + 1),
                                                   .meterCount = static_cast<std::uint8_t>(meters)};
            served.back()->add(std::make_shared<tev::sim::Converter>(
                config,
                tev::sim::SampleMeters(static_cast<std::size_t>(meters), 10000000 + 1000 * (l * 8 + c))));
        }
        served.back()->start();
        const std::string path = served.back()->path() + "\n";
        if (::write(out, path.data(), path.size()) != static_cast<ssize_t>(path.size()))
            ::_exit(1);
    }
    char byte = 0;
    while (::read(control, &byte, 1) > 0) {
    }
    for (auto& line : served)
        line->stop();
    ::_exit(0);
}

// Control pipes of the children spawned so far: a later child must not hold them open.
std::vector<int> g_controls;

Simulators SpawnSimulators(int lines, int converters, int meters) {
    int out[2], control[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(control, O_CLOEXEC) != 0)
        std::exit(1);
    Simulators sims;
    sims.pid = ::fork();
    if (sims.pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL); // gone with the bench, however it ends
        for (const int fd : g_controls)
            ::close(fd);
        ::close(out[0]);
        ::close(control[1]);
        ServeSimulators(lines, converters, meters, out[1], control[0]);
    }
    ::close(out[1]);
    ::close(control[0]);
    sims.control = control[1];
    g_controls.push_back(control[1]);
    std::string text;
    char byte = 0;
    while (static_cast<int>(sims.paths.size()) < lines && ::read(out[0], &byte, 1) == 1) {
        if (byte != '\n') {
            text += byte;
            continue;
        }
        sims.paths.push_back(text);
        text.clear();
    }
    ::close(out[0]);
    return sims;
}

void StopSimulators(Simulators& sims) {
    ::close(sims.control);
    ::waitpid(sims.pid, nullptr, 0);
}

tev::collect::WatchConfig Config(const Simulators& sims, int converters, int brokerPort) {
    tev::collect::WatchConfig config;
    config.mqtt = tev::collect::MqttConfig{};
    config.mqtt->port = brokerPort;
    for (std::size_t l = 0; l < sims.paths.size(); ++l) {
        tev::collect::LineConfig line{sims.paths[l], 9600, 0, 100, 0, {}}; // period: the wire's minimum
        for (int c = 0; c < converters; ++c)
            line.converters.push_back(
                {static_cast<std::uint8_t>(c + 1), "l" + std::to_string(l) + "c" + std::to_string(c + 1)});
        config.lines.push_back(line);
    }
    return config;
}

// Completion times of the refreshes as a subscriber sees them: refresh k is in when every topic has
// been heard k times.
class Waves {
  public:
    explicit Waves(std::size_t topics) : m_topics(topics) {}
    void heard(const std::string& topic) {
        if (topic.ends_with("/status"))
            return;
        const std::lock_guard lock(m_mutex);
        const int count = ++m_counts[topic];
        if (static_cast<int>(m_waves.size()) < count)
            m_waves.push_back(0);
        if (++m_waves[static_cast<std::size_t>(count - 1)] == m_topics)
            m_done.push_back(Clock::now());
    }
    std::vector<Clock::time_point> done() {
        const std::lock_guard lock(m_mutex);
        return m_done;
    }

  private:
    std::size_t m_topics;
    std::mutex m_mutex;
    std::map<std::string, int> m_counts;
    std::vector<std::size_t> m_waves;
    std::vector<Clock::time_point> m_done;
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void PublishTime(const Simulators& sims, int brokerPort) {
    constexpr int kRefreshes = 8;
    Waves waves(sims.paths.size() * 72);
    tev::collect::peers::Subscriber subscriber(brokerPort, "tev/#",
                                               [&](const std::string& t) { waves.heard(t); });
    std::this_thread::sleep_for(300ms); // subscribed
    std::ostringstream out, err;
    tev::collect::Notices notices(err);
    tev::collect::Collector collector(Config(sims, 1, brokerPort), out, notices);
    std::string problem;
    const auto start = Clock::now();
    if (!collector.start(problem)) {
        std::printf("  cannot start: %s\n", problem.c_str());
        return;
    }
    for (int i = 0; i < 300 && waves.done().size() < kRefreshes + 1; ++i)
        std::this_thread::sleep_for(100ms);
    collector.stop();
    const auto done = waves.done();
    if (done.size() < 2) {
        std::printf("  refreshes incomplete (%zu): %s\n", done.size(), err.str().c_str());
        return;
    }
    std::vector<double> gaps;
    for (std::size_t i = 1; i < done.size(); ++i)
        gaps.push_back(Ms(done[i] - done[i - 1]));
    std::sort(gaps.begin(), gaps.end());
    const double median = gaps[gaps.size() / 2];
    std::printf("  %zu lines x 64 meters + 8 counters at 9600 bit/s, MQTT to a subscriber:\n",
                sims.paths.size());
    std::printf("    first refresh (with the meter lists, from start): %7.1f ms\n", Ms(done[0] - start));
    std::printf("    one refresh after another: median %7.1f ms  min %7.1f  max %7.1f  (%zu refreshes)\n",
                median, gaps.front(), gaps.back(), gaps.size());
    std::printf("    ratio to the %.0f ms target: %.3f  %s\n", kTargetMs, median / kTargetMs,
                median <= kTargetMs ? "(within target)" : "(TARGET MISSED)");
}

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// VmHWM, kB, after clearing it with /proc/self/clear_refs when `reset`.
long PeakKb(bool reset) {
    if (reset)
        std::ofstream("/proc/self/clear_refs") << "5";
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

void Resources(const Simulators& sims, int brokerPort, int seconds) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("tev-bench-watch-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    auto config = Config(sims, 4, brokerPort);
    config.csv = tev::collect::CsvConfig{folder};
    std::ostringstream out, err;
    tev::collect::Notices notices(err);
    const long before = PeakKb(true);
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    {
        tev::collect::Collector collector(config, out, notices);
        std::string problem;
        if (!collector.start(problem)) {
            std::printf("  cannot start: %s\n", problem.c_str());
            return;
        }
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        collector.stop();
        const auto counts = collector.mqttCounts();
        const double wall = Ms(Clock::now() - start) / 1000.0;
        const double used = CpuSeconds() - cpu;
        std::printf(
            "  %zu lines x 4 converters x 63 meters (1008 meters + 128 counters), MQTT and CSV, %.0f s:\n",
            sims.paths.size(), wall);
        std::printf("    CPU %.2f s (%.2f %% of one core), peak memory %ld kB (%ld kB before), %llu messages "
                    "published, %llu dropped\n",
                    used, 100.0 * used / wall, PeakKb(false), before,
                    static_cast<unsigned long long>(counts.published),
                    static_cast<unsigned long long>(counts.dropped));
    }
    if (!err.str().empty())
        std::printf("    notices: %s", err.str().c_str());
    std::filesystem::remove_all(folder);
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    // Children first, before any thread of ours runs.
    Simulators fast = SpawnSimulators(4, 1, 64);
    Simulators many = SpawnSimulators(4, 4, 63);
    tev::collect::peers::Broker broker;
    if (!broker.start()) {
        std::printf("tev-bench-watch: mosquitto did not start\n");
        return 1;
    }
    std::printf("Collector (tev watch), target at 9600 bit/s: every reading of a refresh of 4 x 64 meters "
                "published within %.0f ms:\n",
                kTargetMs);
    PublishTime(fast, broker.port());
    Resources(many, broker.port(), seconds);
    std::printf("\n");
    StopSimulators(fast);
    StopSimulators(many);
    return 0;
}
