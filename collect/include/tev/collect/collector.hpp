// The whole collector of one configuration: its outputs and one thread per line. start() maps the
// lines' port texts to port numbers (setting TEV_COM<N> for paths and gateways), so it must run
// while no other thread opens a port; stop() ends the lines first and then lets the outputs deliver
// what they hold.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "tev/collect/line_collector.hpp"
#include "tev/collect/mqtt_sink.hpp"
#include "tev/collect/sink.hpp"
#include "tev/collect/watch_config.hpp"

namespace tev::collect {

inline constexpr auto kFlushBound = std::chrono::milliseconds(3000);

class Collector {
  public:
    // `out`: standard output for JSON lines to "-". `extra`: more outputs (a test's recorder).
    Collector(WatchConfig config, std::ostream& out, Notices& notices,
              std::vector<std::unique_ptr<Sink>> extra = {});
    ~Collector() { stop(); }
    Collector(const Collector&) = delete;
    Collector& operator=(const Collector&) = delete;

    // False, with the reason in `problem`, when a port or an output cannot be set up.
    bool start(std::string& problem);
    void stop(std::chrono::milliseconds flushBound = kFlushBound);
    // What the MQTT output has done so far (zeros without one).
    MqttCounts mqttCounts();

  private:
    bool resolvePorts(std::vector<std::uint8_t>& ports, std::string& problem);
    void addSinks();
    void deliver(const ConverterRefresh& refresh);

    WatchConfig m_config;
    std::ostream& m_out;
    Notices& m_notices;
    std::vector<std::unique_ptr<Sink>> m_sinks;
    MqttSink* m_mqtt = nullptr;
    std::vector<std::unique_ptr<LineCollector>> m_lines;
    std::mutex m_deliverMutex;
    bool m_running = false;
};

} // namespace tev::collect
