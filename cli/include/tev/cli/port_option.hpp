// What --port (and a collector line's "port") names: a COM number mapped as in the program ("COM3",
// "com3" or "3": TEV_COM3, then the user's ports file, then /dev/ttyS2), a device path
// ("/dev/ttyUSB0") or a serial line behind a network gateway ("tcp://HOST:PORT",
// "rfc2217://HOST:PORT"). Paths and gateways are given a spare port number through TEV_COM<N>.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tev::cli {

// Spare port numbers for paths and gateways count down from here; COM numbers a user maps stay below.
inline constexpr std::uint8_t kFirstSparePort = 255;

struct PortChoice {
    std::uint8_t port = 0;   // 1..255; 0 when the text names no port
    std::string problem;     // why not, in plain words, when port is 0
    explicit operator bool() const noexcept { return port != 0; }
};

// The port of the text; a path or a gateway is mapped to `spare` (setenv TEV_COM<spare>), so this
// must run before any thread opens a port.
PortChoice ResolvePortOption(std::string_view text, std::uint8_t spare = kFirstSparePort);

} // namespace tev::cli
