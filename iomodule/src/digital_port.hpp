// The steps the digital functions share: port and bit writes, reading a field of a port reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "digital_models.hpp"
#include "slots.hpp"

namespace tev::iomodule {

class Command;
class Transaction;

namespace digital {

// "S" and the card's slot number (slot 7) as one digit, after the address of an 8000 card command.
Command& CardSlot(Command& command, const Call& call) noexcept;

// Writes the bit in `bit` to `state` (0 or 1, already checked) as the row's form says, and checks
// the bare '>' reply. `bit` is within the row's limit.
std::uint16_t WriteBit(const Call& call, const BitModel& row, std::uint32_t bit,
                       std::uint32_t state) noexcept;

// The bit and state slots of a single-bit write, and the code for a bit beyond the row's limit.
struct BitArgs {
    std::size_t bitSlot = TEV_SLOT_ARG7;
    std::size_t stateSlot = TEV_SLOT_ARG8;
    std::uint16_t bitCode = TEV_MODULE_VALUE_OUT_OF_RANGE;
    bool stateFirst = false; // the state is checked before the model (I-7000 DigitalBitOut)
};
// Model (17), state (4) and bit checks, then writeBit().
std::uint16_t BitOut(const Call& call, std::span<const BitModel> rows, const BitArgs& args) noexcept;

// How a port reading is read.
struct PortRead {
    std::span<const FieldModel> rows;
    std::size_t length = 7;          // reply length without checksum, unless the row has its own
    std::size_t slot = TEV_SLOT_ARG; // result slot
    bool modelAfter = false;         // exchange for any identifier, choose the row afterwards
    bool clears = false;             // result slot cleared once the exchange has returned
    bool scan = false;               // hex digits of either case ("%X") instead of the modules' digit rule
};

// Sends the command built in `t`, checks the reply ('!' and the length) and stores the row's field.
// With modelAfter an identifier not in the rows gives TEV_MODULE_MODEL_NOT_SERVED after the
// exchange; otherwise before it, without traffic.
std::uint16_t ReadField(Transaction& t, const PortRead& read) noexcept;

} // namespace digital
} // namespace tev::iomodule
