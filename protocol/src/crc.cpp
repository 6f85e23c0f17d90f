#include "tev/protocol/crc.hpp"

#include <array>

namespace tev::protocol {
namespace {

constexpr std::array<std::uint16_t, 256> MakeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t crc = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001u)
                             : static_cast<std::uint16_t>(crc >> 1);
        table[i] = crc;
    }
    return table;
}

constexpr auto kTable = MakeTable();

} // namespace

std::uint16_t ModbusCrc16(std::span<const std::uint8_t> bytes) noexcept {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : bytes)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kTable[(crc ^ b) & 0xFFu]);
    return crc;
}

bool ModbusCrcValid(std::span<const std::uint8_t> frame) noexcept {
    if (frame.size() < 3)
        return false;
    const std::size_t body = frame.size() - 2;
    const std::uint16_t crc = ModbusCrc16(frame.first(body));
    return frame[body] == (crc & 0xFFu) && frame[body + 1] == (crc >> 8);
}

std::uint8_t MbusChecksum(std::span<const std::uint8_t> bytes) noexcept {
    unsigned sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    return static_cast<std::uint8_t>(sum & 0xFFu);
}

} // namespace tev::protocol
