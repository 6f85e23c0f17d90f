// Field encodings of the module protocol: upper-case hex, fixed decimals, byte-sum checksum.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tev::sim::text {

// `v` as `digits` upper-case hex digits (the low 4 * digits bits).
std::string Hex(std::uint32_t v, int digits);
// Value of 1..8 upper-case hex digits; nothing for empty, too long or other characters.
std::optional<std::uint32_t> ParseHex(std::string_view s);
// Value of 1..9 decimal digits.
std::optional<std::uint32_t> ParseDec(std::string_view s);
// A decimal number: optional sign, digits, optional point and digits; nothing else.
std::optional<double> ParseNumber(std::string_view s);
// printf "%+0W.Df" (sign) or "%0W.Df" (no sign).
std::string Fixed(double v, int width, int decimals, bool sign);
// Two hex digits of the byte sum of `s` modulo 256.
std::string Checksum(std::string_view s);

} // namespace tev::sim::text
