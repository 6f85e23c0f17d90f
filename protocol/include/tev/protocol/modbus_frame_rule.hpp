// Where a Modbus RTU reply ends: used to stop receiving as soon as a whole reply is in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tev::protocol {

// Length of the complete RTU reply at the start of `bytes`, or 0 while it is incomplete or its
// function code is unknown. Exception reply: 5 bytes; 0x01..0x04: 5 + byte count;
// 0x05, 0x06, 0x0F, 0x10: 8 bytes. Never more than bytes.size().
std::size_t ModbusReplyLength(std::span<const std::uint8_t> bytes) noexcept;

// ModbusReplyLength with the signature of uart's UartFrameRule; `context` is not used.
std::size_t ModbusReplyRule(const std::uint8_t* data, std::size_t length, void* context) noexcept;

// Whom a reply must come from and which request function it answers.
struct ModbusReplyMatch {
    std::uint8_t slave = 0;
    std::uint8_t function = 0;
};

// The match of the reply to `request` (its address and function); {0, 0} for fewer than 2 bytes.
ModbusReplyMatch ModbusMatchFor(std::span<const std::uint8_t> request) noexcept;

// End of the first complete, CRC-valid reply of match.slave to match.function (or its exception
// reply) in `bytes`, counted from the start of `bytes`, so that noise ahead of the reply is kept
// (CheckModbusReply then names it); 0 while there is none. Unlike ModbusReplyLength, a noise byte
// on the line ahead of the reply cannot end the receive early and cut the reply.
std::size_t ModbusMatchedReplyEnd(std::span<const std::uint8_t> bytes,
                                  const ModbusReplyMatch& match) noexcept;

// ModbusMatchedReplyEnd with the signature of uart's UartFrameRule; `context` points to the
// ModbusReplyMatch (nullptr: never complete).
std::size_t ModbusMatchedReplyRule(const std::uint8_t* data, std::size_t length, void* context) noexcept;

} // namespace tev::protocol
