// The fast search ("快速搜索"): the probes of a search run back to back on one open port, each
// receive ending on the complete matched reply, with no pause between probes and no quiet guard after
// a silent address. The probes run on the serial thread; each result is reported as it comes.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "tev/link/converter_probe.hpp"
#include "tev/link/converter_search.hpp"
#include "tev/link/serial_client.hpp"

namespace tev::link {

// The probes in the order a fast search runs them: addresses 1 to lastAddress at the slowest ticked
// rate, then at the next rate, so the port is reconfigured only when the rate changes. With
// allParities that whole run for parity none, even and odd in turn; else at options.parity. Empty
// when no rate is ticked.
std::vector<Probe> FastSearchPlan(const SearchOptions& options, bool allParities, int lastAddress = 255);

// Runs a plan on one thread, keeping the port open between probes.
//
// Late replies: a converter that answers after the timeout may answer into the next probe. Each
// probe takes only the complete, CRC-valid reply of its own address to its own request
// (IsConverterReply), and the next probe asks another address, so such a reply is never listed
// under the wrong address. The run therefore marks the port settled after a probe that heard
// nothing (Line::settle) instead of waiting for uart's quiet guard; it keeps the guard before a
// probe of the same address at another rate or parity, which a late reply could answer on a line
// that does not check the rate (a pseudo-terminal). A probe that heard bytes but not its reply (a
// late reply or noise before or in it) is asked once more, after the guard, so a converter whose
// reply was spoilt by a neighbour's late one is still found.
class FastSearchRun {
  public:
    using Report = std::function<void(const Probe&, const ProbeOutcome&)>;

    // On a serial client of its own, or on this line.
    FastSearchRun() : m_line(m_client) {}
    explicit FastSearchRun(Line& line) : m_line(line) {}

    // Runs the probes of plan on port, each with timeoutMs, calling report after each one. Ends
    // after the last probe or, after stop(), after the probe under way; closes the port. An address
    // that answered at a rate is not probed again at that rate with another parity. Returns the
    // number of probes reported.
    std::size_t run(std::span<const Probe> plan, std::uint8_t port, std::uint16_t timeoutMs,
                    const Report& report);
    // From any thread: the probe under way is woken at once and no further probe starts.
    void stop() noexcept;
    bool stopped() const noexcept { return m_stop; }

  private:
    ProbeOutcome probe(const Probe& probe, std::uint8_t port, std::uint16_t timeoutMs);

    SerialClient m_client; // the line when none is given
    Line& m_line;
    std::atomic<bool> m_stop{false};
};

} // namespace tev::link
