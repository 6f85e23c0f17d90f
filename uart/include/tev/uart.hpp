// C++ conveniences over uart.h.
#pragma once

#include <string>

#include <tev/uart.h>

namespace uart {

// The device path that port number `port` (1 = COM1) maps to.
inline std::string PortDevice(std::uint8_t port) {
    std::string s(UartPortDevice(port, nullptr, 0), '\0');
    UartPortDevice(port, s.data(), s.size() + 1);
    return s;
}

// Why the last OpenLink of `port` failed; empty after a successful open.
inline std::string OpenError(std::uint8_t port) {
    std::string s(UartOpenError(port, nullptr, 0), '\0');
    UartOpenError(port, s.data(), s.size() + 1);
    return s;
}

} // namespace uart
