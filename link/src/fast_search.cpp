#include "tev/link/fast_search.hpp"

#include <algorithm>
#include <bitset>

#include "tev/link/settings_file.hpp"
#include <tev/uart.h>

namespace tev::link {

std::vector<Probe> FastSearchPlan(const SearchOptions& options, bool allParities, int lastAddress) {
    std::vector<Probe> plan;
    const std::vector<std::uint8_t> parities =
        allParities ? std::vector<std::uint8_t>{UART_PARITY_NONE, UART_PARITY_EVEN, UART_PARITY_ODD}
                    : std::vector<std::uint8_t>{options.parity};
    const int last = std::min(lastAddress, 255);
    for (const std::uint8_t parity : parities)
        for (std::size_t rate = 0; rate < kSearchRates.size(); ++rate)
            if (options.rates[rate])
                for (int address = 1; address <= last; ++address)
                    plan.push_back({static_cast<std::uint8_t>(address), kSearchRates[rate], parity});
    return plan;
}

std::size_t FastSearchRun::run(std::span<const Probe> plan, std::uint8_t port, std::uint16_t timeoutMs,
                               const Report& report) {
    // A converter keeps one parity, but a line that does not check it (a pseudo-terminal; even
    // against odd on an adapter that ignores parity errors) carries its reply at each: an address
    // that answered at a rate is not asked again at that rate with another parity.
    std::bitset<256 * kSearchRates.size()> answered;
    const auto slot = [](const Probe& p) {
        const auto rate = std::find(kSearchRates.begin(), kSearchRates.end(), p.baud) - kSearchRates.begin();
        return static_cast<std::size_t>(rate) * 256 + p.address;
    };
    std::size_t done = 0;
    for (std::size_t i = 0; i < plan.size() && !m_stop; ++i) {
        const Probe& p = plan[i];
        const bool knownRate =
            std::find(kSearchRates.begin(), kSearchRates.end(), p.baud) != kSearchRates.end();
        if (knownRate && answered.test(slot(p)))
            continue;
        ProbeOutcome outcome = probe(p, port, timeoutMs);
        if (outcome.opened && !outcome.answered && !outcome.reply.empty() && !m_stop)
            outcome = probe(p, port, timeoutMs); // after the guard the bytes of the first try left
        const bool nextAddressDiffers = i + 1 < plan.size() && plan[i + 1].address != p.address;
        if (outcome.opened && outcome.reply.empty() && nextAddressDiffers)
            m_line.settle();
        if (knownRate && outcome.answered)
            answered.set(slot(p));
        report(p, outcome);
        ++done;
    }
    m_line.close();
    return done;
}

void FastSearchRun::stop() noexcept {
    m_stop = true;
    m_line.cancel();
}

ProbeOutcome FastSearchRun::probe(const Probe& probe, std::uint8_t port, std::uint16_t timeoutMs) {
    SerialSettings settings;
    settings.port = port;
    settings.baud = probe.baud;
    settings.parity = probe.parity;
    return ProbeConverterOn(m_line, settings, probe.address, timeoutMs);
}

} // namespace tev::link
