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

std::string OpenFailureText(int port) {
    std::string text = PortName(port) + " (" + PortDevice(port) + ")";
    if (port < 1 || port > 255)
        return text;
    const std::string why = uart::OpenError(static_cast<std::uint8_t>(port));
    if (!why.empty())
        text += ": " + OpenReasonText(why);
    return text;
}

void CloseAllPorts() {
    for (int port = 1; port <= 255; ++port)
        CloseLink(static_cast<std::uint8_t>(port));
}

} // namespace tev::link
