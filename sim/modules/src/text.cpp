#include "text.hpp"

#include <cstdio>

namespace tev::sim::text {

std::string Hex(std::uint32_t v, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        s[static_cast<std::size_t>(i)] = kDigits[v & 0xF];
        v >>= 4;
    }
    return s;
}

std::optional<std::uint32_t> ParseHex(std::string_view s) {
    if (s.empty() || s.size() > 8)
        return std::nullopt;
    std::uint32_t v = 0;
    for (const char c : s) {
        std::uint32_t d = 0;
        if (c >= '0' && c <= '9')
            d = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            d = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            return std::nullopt;
        v = v << 4 | d;
    }
    return v;
}

std::optional<std::uint32_t> ParseDec(std::string_view s) {
    if (s.empty() || s.size() > 9)
        return std::nullopt;
    std::uint32_t v = 0;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return v;
}

std::optional<double> ParseNumber(std::string_view s) {
    double sign = 1.0;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        sign = s[0] == '-' ? -1.0 : 1.0;
        s.remove_prefix(1);
    }
    double v = 0.0, scale = 0.0;
    int digits = 0;
    for (const char c : s) {
        if (c == '.' && scale == 0.0) {
            scale = 1.0;
        } else if (c >= '0' && c <= '9') {
            v = v * 10.0 + (c - '0');
            scale *= 10.0;
            ++digits;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    return sign * (scale > 0.0 ? v / scale : v);
}

std::string Fixed(double v, int width, int decimals, bool sign) {
    char buf[48];
    const int n = std::snprintf(buf, sizeof buf, sign ? "%+0*.*f" : "%0*.*f", width, decimals, v);
    if (n < 0)
        return {};
    return std::string(buf, static_cast<std::size_t>(n) < sizeof buf ? static_cast<std::size_t>(n)
                                                                     : sizeof buf - 1);
}

std::string Checksum(std::string_view s) {
    unsigned sum = 0;
    for (const char c : s)
        sum += static_cast<unsigned char>(c);
    return Hex(sum & 0xFF, 2);
}

} // namespace tev::sim::text
