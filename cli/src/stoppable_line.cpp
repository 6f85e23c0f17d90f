#include "tev/cli/stoppable_line.hpp"

#include "tev/cli/interrupt.hpp"

namespace tev::cli {

link::ExchangeResult StoppableLine::exchange(std::span<const std::uint8_t> request, std::uint16_t timeoutMs,
                                             std::uint16_t maxCount, UartFrameRule rule, void* context) {
    if (Interrupted()) {
        link::ExchangeResult stopped;
        stopped.error = link::ExchangeError::Cancelled;
        return stopped;
    }
    return m_client.exchange(request, timeoutMs, maxCount, rule, context);
}

} // namespace tev::cli
