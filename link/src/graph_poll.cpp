#include "tev/link/graph_poll.hpp"

#include <algorithm>
#include <array>

#include "tev/link/graph_reply.hpp"
#include "tev/link/serial_client.hpp"
#include <tev/uart.h>

namespace tev::link {
namespace {

// The value reply has a fixed length: complete once that many bytes are in.
std::size_t FixedLengthRule(const std::uint8_t*, std::size_t length, void* context) {
    const auto wanted = *static_cast<const std::size_t*>(context);
    return length >= wanted ? wanted : 0;
}

// An ASCII reply ends at its first CR.
std::size_t CarriageReturnRule(const std::uint8_t* data, std::size_t length, void*) {
    const auto* cr = std::find(data, data + length, std::uint8_t{'\r'});
    return cr == data + length ? 0 : static_cast<std::size_t>(cr - data) + 1;
}

// Closes the line when the poll ends, whichever step it ends at.
class LineCloser {
  public:
    explicit LineCloser(Line& line) : m_line(line) {}
    ~LineCloser() { m_line.close(); }
    LineCloser(const LineCloser&) = delete;
    LineCloser& operator=(const LineCloser&) = delete;

  private:
    Line& m_line;
};

// An ASCII command as it goes on the line: its text, no checksum, CR.
std::vector<std::uint8_t> CommandBytes(const std::string& command) {
    std::vector<std::uint8_t> bytes(command.begin(), command.end());
    bytes.push_back('\r');
    return bytes;
}

GraphStatus ReadStatus(Line& line, const GraphSettings& settings) {
    // A reply of UART_REPLY_MAX bytes without a CR is too long and no reply.
    const ExchangeResult result = line.exchange(CommandBytes(GraphStatusCommand(settings.address)),
                                                kGraphStatusTimeoutMs, UART_REPLY_MAX, CarriageReturnRule);
    if (!result)
        return {};
    const std::string_view text(reinterpret_cast<const char*>(result.reply.data()), result.reply.size() - 1);
    return ParseGraphStatus(text, settings.channel);
}

} // namespace

GraphReading PollGraphModule(const GraphSettings& settings) {
    SerialClient client;
    return PollGraphModule(client, settings);
}

GraphReading PollGraphModule(Line& line, const GraphSettings& settings) {
    GraphReading reading;
    if (settings.port < 1 || settings.port > 255)
        return reading;
    SerialSettings lineSettings;
    lineSettings.port = static_cast<std::uint8_t>(settings.port);
    lineSettings.baud = settings.baud;
    line.open(lineSettings); // a line that failed to open fails the exchange
    const LineCloser closer(line);
    const GraphStatus status = ReadStatus(line, settings);
    if (!status) {
        reading.status =
            status.error == GraphStatusError::NotHex ? GraphPollStatus::BadCount : GraphPollStatus::NoStatus;
        return reading;
    }
    reading.count = status.count;
    // Cut to what arrived: a short reply never shows older bytes.
    std::size_t wanted = GraphValueReplyLength(status.count);
    const ExchangeResult values =
        line.exchange(CommandBytes(GraphValueCommand(settings.address, settings.channel)),
                      kGraphValueTimeoutMs, static_cast<std::uint16_t>(wanted), FixedLengthRule, &wanted);
    reading.received = std::min<std::size_t>(values.reply.size(), wanted);
    if (reading.received == 0) {
        reading.status = GraphPollStatus::NoValues;
        return reading;
    }
    reading.values = DecodeGraphValues(std::span(values.reply.data(), reading.received), status.count);
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
