// Number conversions of reply fields. A field is taken only when every one of its characters belongs
// to its number: a stray, blank or missing character makes the field (and the reply) invalid rather
// than being read around. Independent of the process's locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tev::iomodule {

// Hex digits by the modules' digit rule, high digit first: '0'-'9' and 'A'-'F' (modules send upper
// case; a lower-case letter would decode to a wrong value, so it is refused). 32-bit wrap.
std::optional<std::uint32_t> DecodeHexDigits(std::string_view digits) noexcept;

// Hex digits of either case, as C's strtol (base 16) and "%X" read them; no sign, blank or "0x".
// 32-bit wrap.
std::optional<std::uint32_t> ParseHex(std::string_view text) noexcept;

// A decimal number: optional sign, then digits with at most one point, at least one digit ("+01.234",
// "-5", ".5"). No blanks, exponent or trailing characters.
std::optional<double> ParseDecimal(std::string_view text) noexcept;

// A decimal integer: optional sign, then digits ("00123", "-0012"). Saturates at the 32-bit limits.
std::optional<std::int32_t> ParseInteger(std::string_view text) noexcept;

} // namespace tev::iomodule
