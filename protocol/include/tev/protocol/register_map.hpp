// The converter's holding registers and the codes kept in them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tev::protocol {

// Configuration registers, read together as 6000..6004.
inline constexpr std::uint16_t kRegAddressBaud = 6000;     // high: Modbus address, low: baud-rate code
inline constexpr std::uint16_t kRegAcquisitionTime = 6001; // M-Bus acquisition time
inline constexpr std::uint16_t kRegTypeAndCount = 6002;    // high: meter type number, low: meter count
inline constexpr std::uint16_t kRegParity = 6003;          // low: 0 none, 1 even, 2 odd
inline constexpr std::uint16_t kRegAcquisitionMode = 6004; // low: 0 primary, 1 secondary addressing
inline constexpr std::uint16_t kRegConfigFirst = kRegAddressBaud;
inline constexpr std::uint16_t kConfigRegisterCount = 5;

// Meter list: secondary addresses (3 registers, 6 bytes per meter) in two blocks, meter types.
inline constexpr std::uint16_t kRegSecondaryLow = 7000;  // meters 0..31
inline constexpr std::uint16_t kRegSecondaryHigh = 7096; // meters 32..63
inline constexpr std::uint16_t kRegMeterTypes = 8000;    // two meters per register, even meter high
inline constexpr std::uint16_t kMeterTypeRegisterCount = 32;
inline constexpr std::size_t kSecondaryAddressBytes = 6;
inline constexpr std::size_t kMetersPerBlock = 32;

// Per-entry data: link and status at 5000 + i, serial number and flow at 4i .. 4i + 3.
inline constexpr std::uint16_t kRegStatusBase = 5000;
inline constexpr std::uint16_t kValueRegisterCount = 4;
inline constexpr std::uint16_t kStatusRegisterCount = 1;

inline constexpr std::size_t kMaxMeters = 64;     // meter entries 0..63
inline constexpr std::size_t kCounterEntries = 8; // counter entries 64..71
inline constexpr std::size_t kFirstCounterEntry = kMaxMeters;
inline constexpr std::size_t kDataEntries = kMaxMeters + kCounterEntries;

inline constexpr std::uint16_t kMinAcquisitionTime = 3;
inline constexpr std::uint16_t kMaxAcquisitionTime = 9999;

// Status register of meter or counter entry `entry` (0..71).
constexpr std::uint16_t StatusRegister(std::size_t entry) noexcept {
    return static_cast<std::uint16_t>(kRegStatusBase + entry);
}
// First of the four value registers of entry `entry` (0..71): serial number, then flow.
constexpr std::uint16_t ValueRegister(std::size_t entry) noexcept {
    return static_cast<std::uint16_t>(4 * entry);
}
// First secondary-address register of meter `meter` (0..63).
constexpr std::uint16_t SecondaryAddressRegister(std::size_t meter) noexcept {
    return meter < kMetersPerBlock
               ? static_cast<std::uint16_t>(kRegSecondaryLow + 3 * meter)
               : static_cast<std::uint16_t>(kRegSecondaryHigh + 3 * (meter - kMetersPerBlock));
}
// Register holding the type byte of meter `meter` (high byte for even meters).
constexpr std::uint16_t MeterTypeRegister(std::size_t meter) noexcept {
    return static_cast<std::uint16_t>(kRegMeterTypes + meter / 2);
}

// How a list of n meters splits into the two secondary-address blocks (meters, not registers).
struct SecondaryBlocks {
    std::size_t low = 0;  // meters 0 .. low - 1, from 7000
    std::size_t high = 0; // meters 32 .. 32 + high - 1, from 7096
};
// n is capped at 64.
SecondaryBlocks SplitSecondaryBlocks(std::size_t meterCount) noexcept;

// Registers of the meter-type write for n meters: ceil(n / 2), n capped at 64.
std::uint16_t MeterTypeRegisters(std::size_t meterCount) noexcept;

// Baud-rate codes of register 6000, in the order of the converter's rate list (index 0..6).
struct BaudCode {
    std::uint8_t code;
    std::uint32_t baud;
};
inline constexpr BaudCode kBaudCodes[] = {
    {0x34, 2400}, {0x35, 4800}, {0x36, 9600}, {0x37, 19200}, {0x38, 38400}, {0x39, 57600}, {0x3A, 115200},
};
std::optional<std::uint32_t> BaudFromCode(std::uint8_t code) noexcept;
std::optional<std::uint8_t> CodeFromBaud(std::uint32_t baud) noexcept;
// Index 0..6 of the code in the rate list.
std::optional<std::size_t> BaudCodeIndex(std::uint8_t code) noexcept;

// Parity of the converter's Modbus side (register 6003) and acquisition modes (register 6004).
inline constexpr std::uint8_t kParityNone = 0;
inline constexpr std::uint8_t kParityEven = 1;
inline constexpr std::uint8_t kParityOdd = 2;
inline constexpr std::uint8_t kModePrimary = 0;
inline constexpr std::uint8_t kModeSecondary = 1;

} // namespace tev::protocol
