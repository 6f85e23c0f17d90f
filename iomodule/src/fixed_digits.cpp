#include "fixed_digits.hpp"

#include <cmath>

#include "tev_module_types.h"

namespace tev::iomodule {

FixedDigits fixedDigits(double v, int whole, int decimals) noexcept {
    // A single-precision value is off by up to about 6e-8 of itself (0.7F is 0.69999999), which would
    // otherwise drop a whole unit of the last digit; a hundredth of that digit covers it.
    constexpr double kRepresentationAllowance = 0.01;
    FixedDigits out;
    const int digits = whole + decimals;
    if (std::isnan(v)) {
        out.code = TEV_MODULE_ABOVE_RANGE;
        return out;
    }
    if (v < 0.0) {
        out.code = TEV_MODULE_BELOW_RANGE;
        return out;
    }
    const double units = std::floor(v * std::pow(10.0, decimals) + kRepresentationAllowance);
    if (units >= std::pow(10.0, digits)) {
        out.code = TEV_MODULE_ABOVE_RANGE;
        return out;
    }
    auto n = static_cast<std::uint64_t>(units);
    std::size_t pos = static_cast<std::size_t>(digits) + (decimals > 0 ? 1 : 0); // and the point
    out.text[pos] = '\0';
    for (int i = 0; i < digits; ++i) {
        if (decimals > 0 && i == decimals)
            out.text[--pos] = '.';
        out.text[--pos] = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    return out;
}

} // namespace tev::iomodule
