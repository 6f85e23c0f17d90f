// Decoding what the converter's registers hold: meter status, serial number, flow, configuration.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tev::protocol {

// The 32-bit value in data[offset .. offset + 3]: two registers, the lower-numbered one holding the
// high half, each high byte first. nullopt when the four bytes are not all there.
std::optional<std::uint32_t> Word32At(std::span<const std::uint8_t> data, std::size_t offset) noexcept;

std::int32_t SerialFromBits(std::uint32_t bits) noexcept; // two's complement
float FlowFromBits(std::uint32_t bits) noexcept;          // IEEE-754 single

std::string FormatSerial(std::int32_t serial); // "%08d": 12345678, 00000042, -0000042
std::string FormatFlow(float flow);            // "%f": 10.000000
std::string FormatStatus(std::uint8_t status); // "%02X": 1B

// Link state of register 5000 + i (high byte).
inline constexpr std::uint8_t kLinkDisconnected = 0;
inline constexpr std::uint8_t kLinkConnected = 1;

struct MeterStatus {
    std::uint8_t link = 0;   // 1 connected, 0 disconnected, anything else unknown
    std::uint8_t status = 0; // the meter's M-Bus status code
};
// From the data of a read of one status register; nullopt with fewer than 2 bytes.
std::optional<MeterStatus> DecodeMeterStatus(std::span<const std::uint8_t> data) noexcept;

struct MeterValues {
    std::int32_t serial = 0;
    float flow = 0.0f;
};
// From the data of a read of the four value registers; nullopt with fewer than 8 bytes.
std::optional<MeterValues> DecodeMeterValues(std::span<const std::uint8_t> data) noexcept;

// The converter's configuration, registers 6000..6004.
struct ConverterConfig {
    std::uint8_t address = 0;          // 6000 high
    std::uint8_t baudCode = 0;         // 6000 low, see kBaudCodes
    std::uint16_t acquisitionTime = 0; // 6001
    std::uint8_t meterType = 0;        // 6002 high
    std::uint8_t meterCount = 0;       // 6002 low
    std::uint8_t parity = 0;           // low hex digit of 6003 low: 0 none, 1 even, 2 odd
    std::uint8_t mode = 0;             // 6004 low: 0 primary, 1 secondary addressing

    bool operator==(const ConverterConfig&) const = default;
};
inline constexpr std::size_t kConfigDataBytes = 10;
inline constexpr std::size_t kConfigTextLength = 18;

// From the 10 data bytes of a read of 6000..6004; nullopt with fewer.
std::optional<ConverterConfig> DecodeConfig(std::span<const std::uint8_t> data) noexcept;

// The configuration text kept for a found converter: data bytes 0..7 and 9 (reply bytes 3..10 and
// 12) as two upper-case hex digits each, 18 characters. Empty with fewer than 10 data bytes.
std::string ConfigText(std::span<const std::uint8_t> data);

// Splits a configuration text back into its fields: address (characters 0-1), baud-rate code (2-3),
// acquisition time (4-7), meter type (8-9), meter count (10-11), parity (15), mode (16-17).
// nullopt unless the text is exactly 18 hex digits.
std::optional<ConverterConfig> ParseConfigText(std::string_view text) noexcept;

} // namespace tev::protocol
