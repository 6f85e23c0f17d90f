// M-Bus link-layer frames (EN 13757-2, FT1.2 format of IEC 60870-5-2) sent to meters directly on the
// line, and the completion of frames typed in the command terminal.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tev::protocol {

inline constexpr std::uint8_t kMbusAck = 0xE5;        // single character: frame accepted
inline constexpr std::uint8_t kMbusShortStart = 0x10; // short frame start
inline constexpr std::uint8_t kMbusLongStart = 0x68;  // long frame start (also domestic meter frame)
inline constexpr std::uint8_t kMbusStop = 0x16;       // end byte of every frame
inline constexpr std::uint8_t kMbusWakeUp = 0xFE;     // preamble some meters send before a frame

// Control field, address and CI values (EN 13757-2, 5.5 and EN 13757-3, 5).
inline constexpr std::uint8_t kMbusSndUd = 0x53;         // send user data
inline constexpr std::uint8_t kMbusSndNke = 0x40;        // link reset, here: deselect
inline constexpr std::uint8_t kMbusSelected = 0xFD;      // the meter selected by secondary address
inline constexpr std::uint8_t kMbusCiDataSend = 0x51;    // data send
inline constexpr std::uint8_t kMbusCiSelect = 0x52;      // selection by secondary address
inline constexpr std::uint8_t kMbusDif8Bit = 0x01;       // DIF: 8-bit integer
inline constexpr std::uint8_t kMbusVifBusAddress = 0x7A; // VIF: bus address

inline constexpr std::size_t kMbusShortFrameLength = 5;
inline constexpr std::size_t kMbusMaxUserData = 252; // L = 3 + user data must fit in one byte
inline constexpr std::size_t kSelectFrameLength = 17;
inline constexpr std::size_t kSetAddressFrameLength = 12;

// Where the terminal starts its checksum: a frame summed from its first byte (domestic meter
// frame), an M-Bus short frame (after 0x10) and a long frame (after 68 L L 68).
inline constexpr std::size_t kChecksumFromStart = 0;
inline constexpr std::size_t kChecksumShortFrame = 1;
inline constexpr std::size_t kChecksumLongFrame = 4;

// Byte sum modulo 256 of bytes[first .. end - 1]; the range is cut to the bytes there are.
std::uint8_t MbusChecksumRange(std::span<const std::uint8_t> bytes, std::size_t first,
                               std::size_t end) noexcept;

// 0x10, C, A, (C + A) mod 256, 0x16.
std::array<std::uint8_t, kMbusShortFrameLength> BuildShortFrame(std::uint8_t control,
                                                                std::uint8_t address) noexcept;

// 0x68, L, L, 0x68, C, A, CI, user data, checksum, 0x16 with L = 3 + user data; nullopt when the
// user data exceed kMbusMaxUserData.
std::optional<std::vector<std::uint8_t>> BuildLongFrame(std::uint8_t control, std::uint8_t address,
                                                        std::uint8_t ci,
                                                        std::span<const std::uint8_t> userData);

// Selection of one meter by secondary address (SND_UD to 0xFD, CI 0x52). `identification` is the
// identification number as typed and printed on the meter, most significant byte first; it goes on
// the wire least significant byte first. `manufacturer` is manufacturer (low, high), version and
// medium, already in wire order; 0xFF in a byte matches anything.
std::array<std::uint8_t, kSelectFrameLength>
BuildSelectFrame(const std::array<std::uint8_t, 4>& identification,
                 const std::array<std::uint8_t, 4>& manufacturer) noexcept;

// Sets the primary address of the selected meter (SND_UD to 0xFD, CI 0x51, DIF 0x01, VIF 0x7A).
std::array<std::uint8_t, kSetAddressFrameLength> BuildSetAddressFrame(std::uint8_t newAddress) noexcept;

// Deselects the selected meter: 10 40 FD 3D 16.
std::array<std::uint8_t, kMbusShortFrameLength> BuildDeselectFrame() noexcept;

// The terminal's completion of a typed frame: the typed bytes, the checksum of the typed bytes from
// `checksumStart` on (0 when it starts at or after their end), then 0x16.
std::vector<std::uint8_t> CompleteTypedFrame(std::span<const std::uint8_t> typed, std::size_t checksumStart);

} // namespace tev::protocol
