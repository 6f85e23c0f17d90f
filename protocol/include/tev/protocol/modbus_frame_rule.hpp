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

} // namespace tev::protocol
