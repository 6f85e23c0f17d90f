// Readings of analog inputs in the module's data format.
#pragma once

#include <cstdint>
#include <string>

#include "module.hpp"

namespace tev::sim {

// Engineering value of input `channel` now.
double InputValue(const Module& m, int channel, std::int64_t now);

// The reading of `channel` as the module sends it: engineering ("+01.234"), percent of range
// ("+050.00") or hex ("1A2B"). Out of range gives "+9999" / "-0000", or with `scanField` the
// seven-character "+9999.9" / "-9999.9" that keeps a scan's fields aligned.
std::string ReadingText(const Module& m, int channel, std::int64_t now, bool scanField);

// A number in seven characters with as many decimals as its magnitude allows ("+0.5000", "+20.000").
std::string MagnitudeText(double v);

} // namespace tev::sim
