#include "wire.hpp"

#include <algorithm>
#include <charconv>
#include <limits>

namespace tev::iomodule {
namespace {

bool IsDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

// Takes a leading '+' or '-' off s; true for '-'.
bool TakeSign(std::string_view& s) noexcept {
    if (s.empty() || (s.front() != '+' && s.front() != '-'))
        return false;
    const bool negative = s.front() == '-';
    s.remove_prefix(1);
    return negative;
}

int HexValue(char c, bool lowerCase) noexcept {
    if (IsDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (lowerCase && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::uint32_t> HexNumber(std::string_view text, bool lowerCase) noexcept {
    if (text.empty())
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        const int d = HexValue(c, lowerCase);
        if (d < 0)
            return std::nullopt;
        value = value * 16u + static_cast<std::uint32_t>(d);
    }
    return value;
}

} // namespace

std::optional<std::uint32_t> DecodeHexDigits(std::string_view digits) noexcept {
    return HexNumber(digits, false);
}

std::optional<std::uint32_t> ParseHex(std::string_view text) noexcept {
    return HexNumber(text, true);
}

std::optional<double> ParseDecimal(std::string_view text) noexcept {
    std::string_view s = text;
    const bool negative = TakeSign(s);
    const auto digits = std::count_if(s.begin(), s.end(), IsDigit);
    const auto points = std::count(s.begin(), s.end(), '.');
    if (digits == 0 || points > 1 || static_cast<std::size_t>(digits + points) != s.size())
        return std::nullopt;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::fixed);
    if (ec != std::errc{} || end != s.data() + s.size())
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<std::int32_t> ParseInteger(std::string_view text) noexcept {
    std::string_view s = text;
    const bool negative = TakeSign(s);
    if (s.empty() || !std::all_of(s.begin(), s.end(), IsDigit))
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : s)
        value = std::min<std::int64_t>(value * 10 + (c - '0'), std::int64_t{1} << 32);
    value = negative ? -value : value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

} // namespace tev::iomodule
