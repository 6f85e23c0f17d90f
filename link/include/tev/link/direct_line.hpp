// What the tools that talk to meters directly on a chosen port (meter address setting, command
// terminal) share: their baud texts and their line settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "tev/link/serial_settings.hpp"

namespace tev::link {

// Both tools run 8 data bits, even parity, one stop bit.
inline constexpr std::uint8_t kDirectLineParity = 1;

// The rate of a known baud text: "300", "600", "1200", "2400", "4800", "9600", "19200" or "38400";
// nullopt for any other text (the empty entry of the baud list among them), which keeps the rate.
std::optional<std::uint32_t> KnownBaudFromText(std::string_view text) noexcept;

// COM port (1 = COM1) at this rate, 8 data bits, even parity, one stop bit.
SerialSettings DirectLineSettings(std::uint8_t port, std::uint32_t baud) noexcept;

} // namespace tev::link
