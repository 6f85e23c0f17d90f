#include "tev/link/graph_poll.hpp"

#include <algorithm>
#include <array>

#include "tev/link/graph_reply.hpp"
#include <tev/uart.h>

namespace tev::link {
namespace {

// The value reply has a fixed length: complete once that many bytes are in.
std::size_t FixedLengthRule(const std::uint8_t*, std::size_t length, void* context) {
    const auto wanted = *static_cast<const std::size_t*>(context);
    return length >= wanted ? wanted : 0;
}

// Closes the port when the poll ends, whichever step it ends at.
class PortGuard {
  public:
    explicit PortGuard(std::uint8_t port) : m_port(port) {}
    ~PortGuard() { CloseLink(m_port); }
    PortGuard(const PortGuard&) = delete;
    PortGuard& operator=(const PortGuard&) = delete;

  private:
    std::uint8_t m_port;
};

GraphStatus ReadStatus(std::uint8_t port, const GraphSettings& settings) {
    char reply[UART_REPLY_MAX] = {};
    std::uint16_t length = 0;
    const std::string command = GraphStatusCommand(settings.address);
    if (ExchangeCommand(port, command.c_str(), reply, kGraphStatusTimeoutMs, 0, &length) != UART_OK)
        return {};
    return ParseGraphStatus(std::string_view(reply, std::min<std::size_t>(length, sizeof reply)),
                            settings.channel);
}

} // namespace

GraphReading PollGraphModule(const GraphSettings& settings) {
    GraphReading reading;
    if (settings.port < 1 || settings.port > 255)
        return reading;
    const auto port = static_cast<std::uint8_t>(settings.port);
    OpenLink(port, settings.baud, 8, UART_PARITY_NONE, 0); // a port that failed to open fails the exchange
    const PortGuard guard(port);
    const GraphStatus status = ReadStatus(port, settings);
    if (!status) {
        reading.status =
            status.error == GraphStatusError::NotHex ? GraphPollStatus::BadCount : GraphPollStatus::NoStatus;
        return reading;
    }
    reading.count = status.count;
    const std::string command = GraphValueCommand(settings.address, settings.channel);
    if (SendCommand(port, command.c_str(), 0) != UART_OK) {
        reading.status = GraphPollStatus::NoValues;
        return reading;
    }
    // Cleared before the receive and cut to what arrived: a short reply never shows older bytes.
    std::array<std::uint8_t, kGraphValueReplyMax> buffer{};
    std::size_t wanted = GraphValueReplyLength(status.count);
    std::uint16_t received = 0;
    ReceiveFrame(port, buffer.data(), kGraphValueTimeoutMs, static_cast<std::uint16_t>(wanted), &received,
                 FixedLengthRule, &wanted);
    reading.received = std::min<std::size_t>(received, wanted);
    if (reading.received == 0) {
        reading.status = GraphPollStatus::NoValues;
        return reading;
    }
    reading.values = DecodeGraphValues(std::span(buffer.data(), reading.received), status.count);
    reading.status = GraphPollStatus::Ok;
    return reading;
}

std::array<std::optional<double>, kGraphCurves>
CurveValues(const std::vector<std::optional<double>>& values,
            const std::array<int, kGraphCurves>& curveChannels) {
    std::array<std::optional<double>, kGraphCurves> out;
    for (std::size_t k = 0; k < out.size(); ++k) {
        const int channel = curveChannels[k];
        if (channel >= 0 && static_cast<std::size_t>(channel) < values.size())
            out[k] = values[static_cast<std::size_t>(channel)];
    }
    return out;
}

} // namespace tev::link
