// Inputs that change over time, computed from the clock so that tests can step it.
#pragma once

#include <array>
#include <cstdint>
#include <limits>

namespace tev::sim {

// One analog input: a slow sine around `base`, or a pinned value.
struct AnalogInput {
    double base = 0.0;
    double amplitude = 0.0;
    std::int64_t periodMs = 20000;
    bool pinned = false;
    double pinnedValue = 0.0;
};

double ValueAt(const AnalogInput& in, std::int64_t now);

// Digital inputs: bit c is a square wave of period (2 + c) s, high in its first half, unless
// pinned. Rising edges count, and edges since the last clear latch (high latch: rising edge).
struct DigitalInputs {
    bool pinned = false;
    std::uint32_t bits = 0;
    std::uint32_t latchHigh = 0;
    std::uint32_t latchLow = 0;
    std::array<std::uint32_t, 32> counts{};
    std::int64_t last = 0;
};

std::int64_t WavePeriodMs(int bit);
// Samples the waves up to `now` (width = number of inputs), counting and latching edges.
void Advance(DigitalInputs& di, int width, std::int64_t now);
// Pins the inputs to `bits`, counting and latching the edges against the present inputs.
void Pin(DigitalInputs& di, int width, std::uint32_t bits);

} // namespace tev::sim
