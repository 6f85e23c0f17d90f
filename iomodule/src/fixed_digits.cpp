#include "fixed_digits.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include <tev/tev_module_types.h>

namespace tev::iomodule {

FixedDigits SplitFixedDigits(double v, int whole, int decimals) noexcept {
    FixedDigits out;
    if (std::isnan(v) || v == HUGE_VAL) {
        out.code = TEV_MODULE_ABOVE_RANGE;
        return out;
    }
    if (v < 0.0) {
        out.code = TEV_MODULE_BELOW_RANGE;
        return out;
    }
    // The caller's value is a single-precision float: its shortest decimal form is the number the
    // caller wrote (0.7F is 0.69999999 in binary but "0.7" here), and that number is truncated.
    std::array<char, 64> shortest{};
    const auto [end, ec] = std::to_chars(shortest.data(), shortest.data() + shortest.size(),
                                         std::fabs(static_cast<float>(v)), std::chars_format::fixed);
    const std::string_view number(shortest.data(),
                                  ec == std::errc{} ? std::size_t(end - shortest.data()) : 0);
    const std::size_t point = std::min(number.find('.'), number.size());
    const std::string_view integral = number.substr(0, point);
    const std::string_view fraction = number.substr(std::min(point + 1, number.size()));
    if (integral.empty() || integral.size() > static_cast<std::size_t>(whole) ||
        static_cast<std::size_t>(whole + decimals) + 2 > out.text.size()) {
        out.code = TEV_MODULE_ABOVE_RANGE;
        return out;
    }
    std::size_t pos = 0;
    for (std::size_t i = integral.size(); i < static_cast<std::size_t>(whole); ++i)
        out.text[pos++] = '0';
    for (char c : integral)
        out.text[pos++] = c;
    out.text[pos++] = '.';
    for (std::size_t i = 0; i < static_cast<std::size_t>(decimals); ++i)
        out.text[pos++] = i < fraction.size() ? fraction[i] : '0';
    out.text[pos] = '\0';
    return out;
}

} // namespace tev::iomodule
