#include "tev/link/converter_probe.hpp"

#include "tev/link/serial_link.hpp"
#include "tev/protocol/crc.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/protocol/register_map.hpp"
#include "tev/protocol/values.hpp"

namespace tev::link {
namespace {

// Ends the receive once the 15 bytes the check looks at are in. The byte count inside the reply is
// not used to find its end: a reply is judged by its CRC alone, whatever it says it carries.
std::size_t ProbeReplyRule(const std::uint8_t* /*data*/, std::size_t length, void* /*context*/) noexcept {
    return length >= kConfigurationReplySize ? kConfigurationReplySize : 0;
}

} // namespace

std::array<std::uint8_t, 8> SearchRequest(std::uint8_t address) {
    return protocol::BuildReadRequest(address, protocol::kRegConfigFirst, protocol::kConfigRegisterCount);
}

bool IsConverterReply(std::span<const std::uint8_t> reply) noexcept {
    if (reply.size() < kConfigurationReplySize || reply[0] == 0)
        return false;
    const std::uint16_t crc = protocol::ModbusCrc16(reply.first(13));
    return reply[13] == (crc & 0xFF) && reply[14] == (crc >> 8);
}

Converter MakeConverter(const SerialSettings& settings, std::uint8_t address,
                        std::span<const std::uint8_t> reply) {
    Converter c;
    c.port = settings.port;
    c.address = address;
    c.baud = settings.baud;
    c.parity = settings.parity;
    if (reply.size() >= kConfigurationReplySize) {
        const auto data = reply.subspan(3, protocol::kConfigDataBytes);
        c.configText = protocol::ConfigText(data);
        c.config = protocol::DecodeConfig(data).value_or(protocol::ConverterConfig{});
    }
    return c;
}

ProbeOutcome ProbeConverter(const SerialSettings& settings, std::uint8_t address, std::uint16_t timeoutMs) {
    SerialLink link;
    ProbeOutcome out;
    out.opened = link.open(settings) == UART_OK;
    if (!out.opened) {
        link.close();
        out.opened = link.open(settings) == UART_OK;
    }
    if (!out.opened) {
        // Nothing can be sent on a port that is not open; the probe simply finds nothing.
        out.openFailure = link.openFailure();
        link.close();
        return out;
    }
    const auto request = SearchRequest(address);
    // The receive ends as soon as a whole reply is in, so a found converter does not cost the full
    // timeout; anything shorter waits for the timeout.
    out.reply = link.exchange(request, timeoutMs, kProbeReplyMax, ProbeReplyRule);
    out.answered = IsConverterReply(out.reply);
    link.close();
    return out;
}

} // namespace tev::link
