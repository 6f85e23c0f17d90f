// Analog output forms and read-back commands, shared by the output functions (and by the safe and
// power-on value functions, which send the same output command first).
#pragma once

#include <cstdint>

#include "slots.hpp"

namespace tev::iomodule {

class Transaction;

enum class OutputForm : std::uint8_t {
    Excitation, // "$AA7" and "%+07.3f"; reply '!' of 3 characters (7016 group, 87016)
    Digits,     // "#AA" and "DD.DDD" (7021 group, 87021)
    Current,    // "#AAN" and "%06.3f" (7022 group, 87022, 87026)
    Signed,     // "#AAN" and "%+07.3f" (7024 group, 87024)
};

struct OutputModel {
    std::uint32_t model = 0;
    OutputForm form = OutputForm::Signed;
    std::uint8_t channels = 0; // 0: no channel digit
};

// Sends float slot 0 to the channel in slot 5 as the row's form says and checks the reply ('>' and
// 1 character, the excitation form '!' and 3). Checks the channel first (TEV_MODULE_CHANNEL_OUT_OF_RANGE).
std::uint16_t WriteOutputValue(const Call& call, const OutputModel& row) noexcept;

enum class ReadBackForm : std::uint8_t {
    Plain,        // "$AA6"
    Selector,     // "$AA6" or "$AA8" by the selector in slot 5
    WithChannel,  // and the channel digit of slot 7: "$AA6N"
    WithCChannel, // and 'C' and the channel digit: "$AA6CN" (7024 group)
};

struct ReadBackModel {
    std::uint32_t model = 0;
    ReadBackForm form = ReadBackForm::Plain;
    std::uint8_t channels = 0;
};

// Checks selector and channel (TEV_MODULE_SELECTOR_OUT_OF_RANGE) and builds the read-back command.
std::uint16_t BeginReadBack(Transaction& t, const ReadBackModel& row) noexcept;

enum class ReadBackValue : std::uint8_t {
    Decimal, // float slot 0 = the decimal number from position 3 to the end
    Hex,     // slot 9 = the low 16 bits of the hex number from position 3 to the end, kept without one
};

// Exchanges the read-back command built in `t`; the reply must start with '!' (no length check).
// Float slot 0 reads 0.0 once the exchange has returned.
std::uint16_t RunReadBack(Transaction& t, ReadBackValue value) noexcept;

} // namespace tev::iomodule
