// The converter's meter list: secondary addresses (7000.. and 7096..) and meter types (8000..).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "tev/protocol/modbus_request.hpp"
#include "tev/protocol/register_map.hpp"

namespace tev::protocol {

using SecondaryAddress = std::array<std::uint8_t, kSecondaryAddressBytes>;

// Read requests for a list of n meters: the first block (meters 0..31 from 7000), the second
// block (meters 32..63 from 7096, only needed when n > 32) and the 32 type registers from 8000.
ModbusRequest8 BuildSecondaryLowRead(std::uint8_t slave, std::size_t meterCount) noexcept;
ModbusRequest8 BuildSecondaryHighRead(std::uint8_t slave, std::size_t meterCount) noexcept;
ModbusRequest8 BuildMeterTypesRead(std::uint8_t slave) noexcept;

// Serial text of meter `index` within the data of a secondary-address read: its six bytes as
// 12 upper-case hex digits in wire order. Empty when the data do not reach that meter.
std::string SecondaryAddressText(std::span<const std::uint8_t> data, std::size_t index);

// Type code of meter `index` within the data of the type read ("%02X"); empty beyond the data.
std::string MeterTypeText(std::span<const std::uint8_t> data, std::size_t index);

// Write of one block of secondary addresses from `start` (7000 or 7096), 3 registers per meter;
// at most 32 meters (96 registers), none gives RequestError::NoRegisters.
RequestResult BuildSecondaryAddressWrite(std::uint8_t slave, std::uint16_t start,
                                         std::span<const SecondaryAddress> meters);

// Write of the type bytes from 8000, two meters per register, meter 2j in the high byte. With an
// odd count the low byte of the last register is 0 (no meter there). At most 64 meters.
RequestResult BuildMeterTypeWrite(std::uint8_t slave, std::span<const std::uint8_t> types);

} // namespace tev::protocol
