#include "signals.hpp"

#include <cmath>
#include <numbers>

namespace tev::sim {
namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::uint32_t Mask(int width) {
    return width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1u;
}

void CountEdges(DigitalInputs& di, int width, std::uint32_t next) {
    const std::uint32_t rising = next & ~di.bits & Mask(width);
    const std::uint32_t falling = di.bits & ~next & Mask(width);
    for (int c = 0; c < width; ++c)
        if (rising >> c & 1u)
            di.counts[static_cast<std::size_t>(c)] = (di.counts[static_cast<std::size_t>(c)] + 1) & 0xFFFF;
    di.latchHigh |= rising;
    di.latchLow |= falling;
    di.bits = next & Mask(width);
}

} // namespace

double ValueAt(const AnalogInput& in, std::int64_t now) {
    if (in.pinned)
        return in.pinnedValue;
    const double phase =
        2.0 * std::numbers::pi * static_cast<double>(now % in.periodMs) / static_cast<double>(in.periodMs);
    return in.base + in.amplitude * std::sin(phase);
}

std::int64_t WavePeriodMs(int bit) {
    return 2000 + 1000 * static_cast<std::int64_t>(bit);
}

void Advance(DigitalInputs& di, int width, std::int64_t now) {
    if (di.pinned || now <= di.last)
        return;
    std::uint32_t next = 0;
    for (int c = 0; c < width; ++c) {
        const std::int64_t p = WavePeriodMs(c);
        const auto rises = FloorDiv(now, p) - FloorDiv(di.last, p);
        const auto falls = FloorDiv(now - p / 2, p) - FloorDiv(di.last - p / 2, p);
        const auto i = static_cast<std::size_t>(c);
        di.counts[i] =
            static_cast<std::uint32_t>((di.counts[i] + static_cast<std::uint64_t>(rises)) & 0xFFFF);
        if (rises > 0)
            di.latchHigh |= 1u << c;
        if (falls > 0)
            di.latchLow |= 1u << c;
        if (now % p < p / 2)
            next |= 1u << c;
    }
    di.bits = next;
    di.last = now;
}

void Pin(DigitalInputs& di, int width, std::uint32_t bits) {
    di.pinned = true;
    CountEdges(di, width, bits);
}

} // namespace tev::sim
