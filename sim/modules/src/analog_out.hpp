// Analog output writes shared by the output, safe-value and 8000 card commands.
#pragma once

#include <string>
#include <string_view>

#include "router.hpp"

namespace tev::sim {

// Value text of one output as the module reads it back ("05.000" or "+05.000" by model).
std::string OutputText(const Module& m, int channel, bool sevenChars);
// An output value in the model's read-back form.
std::string ValueText(const Module& m, double v);

// Sets output `channel` from an engineering value text; ">" on success, "!" while the host watchdog
// holds the outputs, nothing (refusal) for a bad value or one outside the output's range.
Reply SetOutput(Context& c, int channel, std::string_view value);

// A channel digit below the model's output count, or -1.
int OutputChannel(const Module& m, char digit);

} // namespace tev::sim
