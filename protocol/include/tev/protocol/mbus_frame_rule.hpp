// Where an M-Bus reply ends (EN 13757-2 frames and the domestic meter frame).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tev::protocol {

// Length of the complete reply at the start of `bytes`, or 0 while incomplete or unknown:
// the single character 0xE5 (1), a short frame 10 C A CS 16 (5), a long frame 68 L L 68 ... 16
// (L + 6) or a domestic meter frame 68 type addr[7] control L data[L] CS 16 (L + 13). Leading
// wake-up bytes 0xFE are counted in. A frame starting 68 x x 68 is taken as a long frame when both
// length bytes agree. Never more than bytes.size(); checksum and end byte are not checked.
std::size_t MbusReplyLength(std::span<const std::uint8_t> bytes) noexcept;

// MbusReplyLength with the signature of uart's UartFrameRule; `context` is not used.
std::size_t MbusReplyRule(const std::uint8_t* data, std::size_t length, void* context) noexcept;

// The kind of meter the command terminal talks to; it decides where the reply's length byte is.
enum class MeterOrigin {
    None,     // no choice made: nothing of the reply is shown
    Domestic, // domestic meter frame, length byte 10 bytes after the first 0x68
    Imported, // M-Bus long frame, length byte right after the first 0x68
};

// How many bytes of a received reply the terminal shows: 1 when the first byte is 0xE5; else up to
// the end of the frame that starts at the first 0x68 (offset 0 when there is none), the bytes ahead
// of it included. Bounded by reply.size(): a frame announced longer than what arrived, or a length
// byte that did not arrive, shows all received bytes.
std::size_t TerminalReplyLength(std::span<const std::uint8_t> reply, MeterOrigin origin) noexcept;

} // namespace tev::protocol
