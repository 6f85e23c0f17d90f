// The converter search without widgets: which address and rate come next, what was found, the
// count message. The probes themselves run elsewhere (ProbeConverter on the serial thread).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tev/link/converter.hpp"
#include "tev/link/serial_settings.hpp"

namespace tev::link {

struct Probe {
    std::uint8_t address = 1;
    std::uint32_t baud = 0;
    std::uint8_t parity = 0; // 0 none, 1 even, 2 odd
    bool operator==(const Probe&) const = default;
};

struct SearchOptions {
    std::uint8_t port = 1;       // 1 = COM1
    std::array<bool, 8> rates{}; // ticked boxes in the order 1200 ... 115200
    std::uint16_t timeoutMs = 100;
    std::uint8_t parity = 0;
};

// One row of the found list: name, "1A(26)", rate.
struct FoundRow {
    std::string name;
    std::string address;
    std::string baud;
};

class ConverterSearch {
  public:
    enum class Start { Started, NoRate };

    // Starts a new search from address 1 with an empty found list. With no rate ticked nothing starts.
    Start start(const SearchOptions& options);
    // The next probe: every ticked rate in ascending order at one address before the next address.
    // Returns nothing once the last address is done; the search then has to be stopped.
    std::optional<Probe> next();
    // Records the reply of a probe (of this search or of its fast plan, FastSearchPlan); a converter's
    // reply adds an entry with the probe's rate and parity and returns it.
    std::optional<Converter> record(const Probe& probe, std::span<const std::uint8_t> reply);
    // Ends the search (also when none runs) and returns "搜索到<N>个模块", N the number of found rows.
    std::string stop();

    bool running() const { return m_running; }
    const std::vector<Converter>& found() const { return m_found; }
    SerialSettings settingsFor(const Probe& probe) const;
    std::uint16_t timeoutMs() const { return m_options.timeoutMs; }
    // Period of the probe timer: the receive timeout plus a pause between probes.
    int tickIntervalMs() const { return m_options.timeoutMs + m_pauseMs; }
    int address() const { return m_address; }
    int lastAddress() const { return m_lastAddress; }

    // For quick tests: a shorter pause between probes, an end of the range below 255.
    void setPauseMs(int ms) { m_pauseMs = ms; }
    void setLastAddress(int address) { m_lastAddress = address; }

  private:
    SearchOptions m_options{};
    std::vector<std::uint32_t> m_rates;
    std::vector<Converter> m_found;
    int m_address = 1;
    std::size_t m_rateCounter = 0;
    int m_pauseMs = 500;
    int m_lastAddress = 255;
    bool m_running = false;
};

std::string CountMessage(std::size_t count);
FoundRow MakeFoundRow(const Converter& converter);

} // namespace tev::link
