// The steps the 7080 counter and frequency module functions share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "slots.hpp"
#include "transaction.hpp"

namespace tev::iomodule::counter7080 {

inline constexpr std::uint32_t kModel = 0x7080;
// The largest value of the 32-bit fields (maximum, alarm limit, preset); the check allows for the
// rounding of a caller's arithmetic up to one tenth above it.
inline constexpr double kMax32 = 4294967295.1;
// The minimum signal width field holds five decimal digits of a 16-bit value.
inline constexpr double kMaxWidth = 65535.0;

// What the function checks besides the model.
enum class Check : std::uint8_t {
    Module,  // the model only
    Counter, // and the counter number in slot 5 (0 or 1, else TEV_MODULE_COUNTER_NUMBER)
};

// The model (TEV_MODULE_MODEL_NOT_SERVED) and, with Check::Counter, the counter number;
// `floats`: the function reads or writes the float block.
std::uint16_t CheckCall(const Call& call, Check what, bool floats = false) noexcept;

// The counter number in slot 5 (checked), 0 or 1.
inline std::uint32_t Counter(const Call& call) noexcept {
    return call.arg(TEV_SLOT_ARG);
}

// The value a setter writes: the double held in float slots 0 and 1 (see tev_module_counter_7080.h),
// truncated towards zero. code is TEV_MODULE_FIELD_OUT_OF_RANGE when the value is below 0, above
// `max` or not a number.
struct Value {
    std::uint16_t code = 0;
    std::uint32_t value = 0;
};
Value ValueArgument(const Call& call, double max) noexcept;

// A command of one counter: the lead character and the text after the address for counter 0 and
// for counter 1 (slot 5, checked), so "$AA3c" is {'$', "30", "31"} and "@AARP"/"@AARA" is
// {'@', "RP", "RA"}.
struct CounterCommand {
    char lead = '$';
    const char* counter0 = "";
    const char* counter1 = "";
};
// Starts the command for the call's counter.
Command& BeginCounter(Transaction& t, const CounterCommand& command) noexcept;

// Runs the command built in `t` (reply `first` and `length` characters) and stores the eight hex
// digits at `pos`: the high 16 bits in slot 7, the low 16 bits in slot 8.
std::uint16_t Read32(Transaction& t, char first, std::size_t length, std::size_t pos) noexcept;

// Runs the command built in `t` (reply '!' and 4 characters) and stores the one digit at position 3
// in `slot`: as a hex digit or, with `decimal`, as the character minus '0'.
std::uint16_t ReadDigit(Transaction& t, std::size_t slot, bool decimal) noexcept;

} // namespace tev::iomodule::counter7080
