// What every caller hands to OpenLink.
#pragma once

#include <cstdint>

namespace tev {

struct SerialSettings {
    std::uint8_t port = 1;     // 1 = COM1 ... 16 = COM16
    std::uint32_t baud = 9600; // bit/s
    std::uint8_t parity = 0;   // 0 none, 1 even, 2 odd
    std::uint8_t dataBits = 8;
    std::uint8_t stopBits = 0; // 0 = one stop bit

    bool operator==(const SerialSettings&) const = default;
};

} // namespace tev
