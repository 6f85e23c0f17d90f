// Number conversions of reply fields, with the C library's rules but bounded to the field and
// independent of the process's locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tev::iomodule {

// Hex digits by the modules' digit rule: a character up to '9' counts as itself minus '0', any other
// as itself minus 55, so only upper-case digits decode correctly. High digit first; 32-bit wrap.
std::uint32_t decodeHexDigits(std::string_view digits) noexcept;

// C atof rules: leading blanks, optional sign, decimal digits with point and exponent; 0.0 when no
// number starts the text.
double parseDecimal(std::string_view text) noexcept;

// C atoi rules (leading blanks, optional sign, decimal digits); saturates instead of overflowing.
std::int32_t parseInteger(std::string_view text) noexcept;

// C strtol(text, nullptr, 16) rules: blanks, sign, optional 0x, hex digits of either case; saturates.
std::int64_t parseBase16(std::string_view text) noexcept;

// C sscanf("%X") rules: the number, or nothing when no hex digit starts the text. 32-bit wrap.
std::optional<std::uint32_t> scanHex(std::string_view text) noexcept;

} // namespace tev::iomodule
