// The one interface through which the library reaches the serial line.
#pragma once

#include <cstdint>

namespace tev::iomodule {

// The two uart operations the command functions use, with uart's signatures. The library binds
// them to uart (bind/uart_line.cpp); the unit tests link a fake instead.
struct Line {
    std::uint16_t (*exchange)(std::uint8_t port, const char* command, char* reply, std::uint16_t timeout_ms,
                              std::uint16_t checksum, std::uint16_t* reply_length) = nullptr;
    std::uint16_t (*send)(std::uint8_t port, const char* command, std::uint16_t checksum) = nullptr;
};

// The line every transaction uses.
const Line& BoundLine() noexcept;

} // namespace tev::iomodule
