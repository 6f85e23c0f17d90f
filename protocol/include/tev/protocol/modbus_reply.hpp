// Checking a converter's reply against the request it answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tev::protocol {

enum class ReplyError {
    Ok,
    NoReply,            // no byte at all
    TooShort,           // fewer bytes than the reply announces (or than any reply has)
    GarbageBeforeFrame, // bytes ahead of a well-formed reply; frameOffset says how many
    WrongAddress,       // first byte is not the addressed slave and no reply follows later
    WrongFunction,      // function code is neither the request's nor its exception form
    Exception,          // exception reply; exceptionCode holds its code
    BadCrc,             // CRC of the reply does not match
    BadByteCount,       // a read reply with another byte count than 2 x the registers asked for
    EchoMismatch,       // a write reply that does not echo the request's register and value/count
    TrailingBytes,      // a valid reply followed by further bytes
    BadRequest,         // the request is not a 0x03, 0x04, 0x06 or 0x10 request of at least 6 bytes
};

// Outcome of CheckModbusReply. `data` points into the checked reply: keep the reply alive.
struct ModbusReply {
    ReplyError error = ReplyError::Ok;
    std::uint8_t exceptionCode = 0;     // with ReplyError::Exception (1 illegal function, 2 address...)
    std::size_t frameOffset = 0;        // where the reply frame starts (non-zero only for garbage)
    std::size_t frameLength = 0;        // length of the frame that was found, 0 when none
    std::span<const std::uint8_t> data; // register bytes of a read reply; empty otherwise

    explicit operator bool() const noexcept { return error == ReplyError::Ok; }
};

// Checks `reply` (exactly the bytes received) against `request` (the frame that was sent):
// slave address, function code, exception form, length, CRC, byte count or echo, and that nothing
// precedes or follows the frame.
ModbusReply CheckModbusReply(std::span<const std::uint8_t> request,
                             std::span<const std::uint8_t> reply) noexcept;

// Short English name of an error for logs and test output, e.g. "bad CRC".
const char* ReplyErrorText(ReplyError error) noexcept;

} // namespace tev::protocol
