// Checksums of the converter's and the meters' frames.
#pragma once

#include <cstdint>
#include <span>

namespace tev::protocol {

// CRC-16/MODBUS: initial 0xFFFF, reflected polynomial 0xA001, no final XOR.
// Frames carry it low byte first. Check value over "123456789": 0x4B37.
std::uint16_t ModbusCrc16(std::span<const std::uint8_t> bytes) noexcept;

// True when `frame` ends with the CRC-16/MODBUS of the bytes before it, low byte first.
bool ModbusCrcValid(std::span<const std::uint8_t> frame) noexcept;

// M-Bus checksum: byte sum modulo 256.
std::uint8_t MbusChecksum(std::span<const std::uint8_t> bytes) noexcept;

} // namespace tev::protocol
