// One line's thread: refreshes the overview of each converter on the line in turn with its own
// serial client, then waits out the period (never shorter than the wire time of all the line's
// refreshes), and hands every refresh on. A converter's meter count comes from its configuration,
// read again before each refresh until a read succeeds (until then it has no readings) and once an
// hour after that.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "tev/collect/reading.hpp"
#include "tev/collect/sink.hpp"
#include "tev/collect/watch_config.hpp"
#include "tev/link/meter_overview.hpp"
#include "tev/link/serial_client.hpp"

namespace tev::collect {

class LineCollector {
  public:
    using Deliver = std::function<void(const ConverterRefresh&)>;

    // `port`: the uart port number the line's port text was mapped to.
    LineCollector(LineConfig config, std::uint8_t port, Deliver deliver, Notices& notices);
    ~LineCollector() { stop(); }
    LineCollector(const LineCollector&) = delete;
    LineCollector& operator=(const LineCollector&) = delete;

    void start();
    // Cancels the exchange under way, ends the thread and closes the port. A refresh cut short is
    // not handed on.
    void stop();

  private:
    struct Watched {
        ConverterEntry entry;
        std::optional<link::MeterOverview> overview;
        ReadingBook book;
        bool failing = false;
        std::chrono::steady_clock::time_point countRead{}; // when the meter count was read
    };

    void run();
    void refresh(Watched& watched);
    bool learnMeterCount(Watched& watched);
    std::optional<int> readMeterCount(const Watched& watched);
    void tellFailure(Watched& watched, const link::RefreshStats& stats);
    int minimumPeriodMs() const;
    bool sleepUntil(std::chrono::steady_clock::time_point deadline);
    SerialSettings settings() const { return {m_port, m_config.rate, m_config.parity, 8, 0}; }

    LineConfig m_config;
    std::uint8_t m_port;
    Deliver m_deliver;
    Notices& m_notices;
    std::vector<Watched> m_watched;
    link::SerialClient m_client;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    int m_toldPeriodMs = 0;
};

} // namespace tev::collect
