// Where the collector's readings go: the CSV log, JSON lines, an MQTT broker. The collector calls a
// sink from one thread at a time (the line threads take turns), after every refresh of a converter.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "tev/collect/reading.hpp"
#include "tev/link/meter_overview.hpp"

namespace tev::collect {

// One refresh of one converter.
struct ConverterRefresh {
    const std::string& name;
    std::uint8_t address;
    link::WallClock::time_point at;
    const std::vector<link::OverviewRow>& rows;
    const std::vector<MeterReading>& readings; // one per row, in the same order
};

class Sink {
  public:
    virtual ~Sink() = default;
    virtual void take(const ConverterRefresh& refresh) = 0;
    // Delivers what is still held, within `bound`; the collector stops after this.
    virtual void finish(std::chrono::milliseconds /*bound*/) {}
};

// Messages for the operator (standard error), whole lines from any thread.
class Notices {
  public:
    explicit Notices(std::ostream& out) : m_out(out) {}
    void say(const std::string& line) {
        const std::lock_guard lock(m_mutex);
        m_out << "tev watch: " << line << '\n' << std::flush;
    }

  private:
    std::mutex m_mutex;
    std::ostream& m_out;
};

} // namespace tev::collect
