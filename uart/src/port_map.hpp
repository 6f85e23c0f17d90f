// Which Linux device a port number names.
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

} // namespace uart::detail
