// Receive timeouts of the converter and meter exchanges, derived from the line's baud rate.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tev::protocol {

// Rate assumed when a converter entry holds no usable baud rate (0 or not a number): the
// converter's factory rate. Its timeout (300 ms) still lets the exchange fail cleanly instead of
// dividing by zero.
inline constexpr std::uint32_t kFallbackBaud = 9600;

// T = (19200 / baud) x 150 ms, integer division first: 1200 at 2400, 300 at 9600, 150 at 19200,
// 0 at 38400 and above. Baud 0 uses kFallbackBaud.
std::uint32_t BaseTimeoutMs(std::uint32_t baud) noexcept;

// A baud rate written as decimal digits only ("9600"); nullopt for anything else or beyond 32 bits.
std::optional<std::uint32_t> ParseBaudText(std::string_view text) noexcept;

// BaseTimeoutMs of a decimal baud text; text that is not a number uses kFallbackBaud.
std::uint32_t BaseTimeoutMsFromText(std::string_view baudText) noexcept;

// T + extra as handed to the serial receive: clamped to 65535 ms, the largest 16-bit timeout.
std::uint16_t ReceiveTimeoutMs(std::uint32_t baud, std::uint32_t extraMs) noexcept;
std::uint16_t ReceiveTimeoutMsFromText(std::string_view baudText, std::uint32_t extraMs) noexcept;

} // namespace tev::protocol
