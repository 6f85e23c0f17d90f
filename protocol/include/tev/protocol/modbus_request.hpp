// Modbus RTU requests sent to the converter: read holding registers (0x03), write single register
// (0x06) and write multiple registers (0x10). 16-bit fields go high byte first, the CRC low byte first.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tev::protocol {

// Function codes (Modbus Application Protocol V1.1b3, 6.3, 6.6, 6.12).
inline constexpr std::uint8_t kReadHoldingRegisters = 0x03;
inline constexpr std::uint8_t kReadInputRegisters = 0x04;
inline constexpr std::uint8_t kWriteSingleRegister = 0x06;
inline constexpr std::uint8_t kWriteMultipleRegisters = 0x10;
// Bit 7 of the function code marks an exception reply (Modbus Application Protocol, 7).
inline constexpr std::uint8_t kExceptionFlag = 0x80;

// Register counts a request may carry (Modbus Application Protocol, 6.3 and 6.12).
inline constexpr std::size_t kMaxReadRegisters = 125;
inline constexpr std::size_t kMaxWriteRegisters = 123;

// Lengths of the fixed-size frames and of the largest 0x10 request (9 + 2 * 123).
inline constexpr std::size_t kReadRequestLength = 8;
inline constexpr std::size_t kWriteSingleRequestLength = 8;
inline constexpr std::size_t kMaxWriteMultipleLength = 9 + 2 * kMaxWriteRegisters;
// Largest RTU frame (Modbus over Serial Line V1.02, 2.5.1).
inline constexpr std::size_t kMaxRtuFrameLength = 256;

using ModbusRequest8 = std::array<std::uint8_t, 8>;

// Read `count` holding registers from `start`. The count is sent as given: a converter answers a
// count outside 1..125 with an exception reply, which the reply check reports.
ModbusRequest8 BuildReadRequest(std::uint8_t slave, std::uint16_t start, std::uint16_t count) noexcept;

// Write `value` into register `reg`.
ModbusRequest8 BuildWriteSingleRequest(std::uint8_t slave, std::uint16_t reg, std::uint16_t value) noexcept;

enum class RequestError {
    Ok,
    NoRegisters,      // a write of zero registers
    TooManyRegisters, // more than kMaxWriteRegisters
    OddByteCount,     // register data given as bytes must fill whole registers
};

// A built variable-length request; `frame` is empty unless `error` is ok.
struct RequestResult {
    std::vector<std::uint8_t> frame;
    RequestError error = RequestError::Ok;

    explicit operator bool() const noexcept { return error == RequestError::Ok; }
};

// Write the registers `values` from `start` on (1..123 registers).
RequestResult BuildWriteMultipleRequest(std::uint8_t slave, std::uint16_t start,
                                        std::span<const std::uint16_t> values);

// The same with the register data given as bytes in wire order (2 per register, high byte first),
// as the meter-list blocks hold them. The byte count must be even, 2..246.
RequestResult BuildWriteMultipleBytes(std::uint8_t slave, std::uint16_t start,
                                      std::span<const std::uint8_t> data);

// Appends the CRC of everything in `frame`, low byte first.
void AppendModbusCrc(std::vector<std::uint8_t>& frame);

} // namespace tev::protocol
