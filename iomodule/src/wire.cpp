#include "wire.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace tev::iomodule {
namespace {

bool isBlank(char c) noexcept {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view skipBlanks(std::string_view s) noexcept {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

// Takes a leading '+' or '-' off s; true for '-'.
bool takeSign(std::string_view& s) noexcept {
    if (s.empty() || (s.front() != '+' && s.front() != '-'))
        return false;
    const bool negative = s.front() == '-';
    s.remove_prefix(1);
    return negative;
}

int hexValue(char c) noexcept {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Removes a "0x"/"0X" prefix when a hex digit follows it, as strtol and scanf do.
void takeHexPrefix(std::string_view& s) noexcept {
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') && hexValue(s[2]) >= 0)
        s.remove_prefix(2);
}

} // namespace

std::uint32_t decodeHexDigits(std::string_view digits) noexcept {
    std::uint32_t value = 0;
    for (char c : digits) {
        const auto u = static_cast<std::uint32_t>(static_cast<unsigned char>(c));
        value = value * 16u + (c <= '9' ? u - '0' : u - 55u);
    }
    return value;
}

double parseDecimal(std::string_view text) noexcept {
    std::string_view s = skipBlanks(text);
    const bool negative = takeSign(s);
    if (!s.empty() && (s.front() == '+' || s.front() == '-'))
        return 0.0;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // strtod gives HUGE_VAL on overflow and zero on underflow (a negative exponent).
        const auto e = s.substr(0, static_cast<std::size_t>(end - s.data())).find_first_of("eE");
        value = (e != std::string_view::npos && e + 1 < s.size() && s[e + 1] == '-') ? 0.0 : HUGE_VAL;
    } else if (ec != std::errc{}) {
        return 0.0;
    }
    return negative ? -value : value;
}

std::int32_t parseInteger(std::string_view text) noexcept {
    std::string_view s = skipBlanks(text);
    const bool negative = takeSign(s);
    std::int64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            break;
        value = std::min<std::int64_t>(value * 10 + (c - '0'), std::int64_t{1} << 32);
    }
    value = negative ? -value : value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::int64_t parseBase16(std::string_view text) noexcept {
    std::string_view s = skipBlanks(text);
    const bool negative = takeSign(s);
    takeHexPrefix(s);
    std::int64_t value = 0;
    for (char c : s) {
        const int d = hexValue(c);
        if (d < 0)
            break;
        value = std::min<std::int64_t>(value * 16 + d, std::int64_t{1} << 62);
    }
    return negative ? -value : value;
}

std::optional<std::uint32_t> scanHex(std::string_view text) noexcept {
    std::string_view s = skipBlanks(text);
    const bool negative = takeSign(s);
    takeHexPrefix(s);
    if (s.empty() || hexValue(s.front()) < 0)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : s) {
        const int d = hexValue(c);
        if (d < 0)
            break;
        value = value * 16u + static_cast<std::uint32_t>(d);
    }
    return negative ? 0u - value : value;
}

} // namespace tev::iomodule
