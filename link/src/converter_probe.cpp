#include "tev/link/converter_probe.hpp"

#include "tev/link/serial_client.hpp"
#include "tev/protocol/modbus_reply.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/protocol/register_map.hpp"
#include "tev/protocol/values.hpp"

namespace tev::link {

std::array<std::uint8_t, 8> SearchRequest(std::uint8_t address) {
    return protocol::BuildReadRequest(address, protocol::kRegConfigFirst, protocol::kConfigRegisterCount);
}

bool IsConverterReply(std::uint8_t address, std::span<const std::uint8_t> reply) noexcept {
    const auto check = protocol::CheckModbusReply(SearchRequest(address), reply);
    return check && check.data.size() == protocol::kConfigDataBytes &&
           reply.size() == kConfigurationReplySize;
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

ProbeOutcome ProbeConverterOn(Line& client, const SerialSettings& settings, std::uint8_t address,
                              std::uint16_t timeoutMs) {
    ProbeOutcome out;
    out.opened = client.open(settings) == UART_OK; // an open port with these settings is kept
    if (!out.opened) {
        client.close();
        out.opened = client.open(settings) == UART_OK;
    }
    if (!out.opened) {
        // Nothing can be sent on a port that is not open; the probe simply finds nothing.
        out.openFailure = client.openFailure();
        return out;
    }
    // The receive ends as soon as the reply of this address is in, so a found converter does not
    // cost the full timeout; anything else waits for the timeout and is then judged.
    const ExchangeResult result = client.modbus(SearchRequest(address), timeoutMs);
    out.reply = result.reply;
    out.answered = IsConverterReply(address, out.reply);
    return out;
}

ProbeOutcome ProbeConverter(const SerialSettings& settings, std::uint8_t address, std::uint16_t timeoutMs) {
    SerialClient client;
    ProbeOutcome out = ProbeConverterOn(client, settings, address, timeoutMs);
    client.close();
    return out;
}

} // namespace tev::link
