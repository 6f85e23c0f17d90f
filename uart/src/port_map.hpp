// Which Linux device, or which network gateway, a port number names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace uart::detail {

// Device path of port (1 = COM1): $TEV_COM<N>, then the ports file, then /dev/ttyS<N-1>.
std::string DevicePath(std::uint8_t port);

// Looks port up in the text of a ports file ("COM3=/dev/ttyUSB0" lines); empty when absent.
std::string LookUpPortsText(std::string_view text, std::uint8_t port);

// Path of the ports file that is read, or empty when none exists.
std::string PortsFilePath();

enum class LineKind { Device, Tcp, Rfc2217 };

struct LineName {
    LineKind kind = LineKind::Device;
    std::string host; // without the brackets of an IPv6 address
    std::uint16_t port = 0;
    std::string error; // a network name that cannot be used, and why; empty when fine
};

// What a mapped port name names: a device path, or a gateway address.
LineName ParseLineName(std::string_view name);

} // namespace uart::detail
