// The fixed-digit value forms of the analog outputs ("DD.DDD" of the 7021, "DDD.DD" of a percentage).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tev::iomodule {

struct FixedDigits {
    std::uint16_t code = 0;      // 0, TEV_MODULE_BELOW_RANGE or TEV_MODULE_ABOVE_RANGE
    std::array<char, 16> text{}; // the digits with the point, zero-terminated
    std::string_view view() const noexcept { return text.data(); }
};

// v with `whole` digits before the point and `decimals` after it, truncated (not rounded) from the
// shortest decimal form of the single-precision value, so 0.7F gives "00.700", not "00.699". Negative values
// are below range; values that need more digits, and NaN, are above range.
FixedDigits SplitFixedDigits(double v, int whole, int decimals) noexcept;

} // namespace tev::iomodule
