// The single-channel analog reading shared by the analog input functions and the 3-channel scan.
#pragma once

#include <cstdint>

#include "models.hpp"
#include "slots.hpp"

namespace tev::iomodule {

enum class Reading : std::uint8_t {
    Value, // float slot 0 = the decimal value after '>'
    Hex,   // slot 7 = the four hex digits at positions 1-4
};

// Reads the channel in slot 5 of a module of `row` (model and channel already checked):
// "#AA[N]" (I-7000, 87K) or "#AASsCN" (8000 cards; lead from the row). Float slot 0 is cleared once
// the exchange has returned, except for a hex reading of an I-7000 module.
std::uint16_t ReadChannel(const Call& call, const ChannelModel& row, Reading reading) noexcept;

} // namespace tev::iomodule
