#include "tev/link/serial_link.hpp"

#include "tev/link/port_mapping.hpp"

#include <tev/uart.hpp>

namespace tev::link {

std::string PortName(int port) {
    return "COM" + std::to_string(port);
}

std::string PortDevice(int port) {
    if (port < 1 || port > 255)
        return {};
    return uart::PortDevice(static_cast<std::uint8_t>(port));
}

std::uint16_t SerialLink::open(const SerialSettings& settings) {
    m_port = settings.port;
    return OpenLink(settings.port, settings.baud, settings.dataBits, settings.parity, settings.stopBits);
}

void SerialLink::close() {
    CloseLink(m_port);
}

std::string OpenFailureText(int port) {
    std::string text = PortName(port) + " (" + PortDevice(port) + ")";
    if (port < 1 || port > 255)
        return text;
    const std::string why = uart::OpenError(static_cast<std::uint8_t>(port));
    if (!why.empty())
        text += ": " + OpenReasonText(why);
    return text;
}

std::string SerialLink::openFailure() const {
    return OpenFailureText(m_port);
}

std::vector<std::uint8_t> SerialLink::exchange(std::span<const std::uint8_t> request, std::uint16_t timeoutMs,
                                               std::uint16_t maxCount, UartFrameRule rule, void* context) {
    if (request.size() > UINT16_MAX)
        return {};
    if (SendBytes(m_port, request.data(), static_cast<std::uint16_t>(request.size())) != UART_OK)
        return {};
    std::vector<std::uint8_t> reply(maxCount, 0);
    std::uint16_t received = 0;
    ReceiveFrame(m_port, reply.data(), timeoutMs, maxCount, &received, rule, context);
    reply.resize(received <= maxCount ? received : maxCount);
    return reply;
}

} // namespace tev::link
