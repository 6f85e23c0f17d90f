#include "tev/protocol/register_map.hpp"

#include <algorithm>

namespace tev::protocol {

SecondaryBlocks SplitSecondaryBlocks(std::size_t meterCount) noexcept {
    const std::size_t n = std::min(meterCount, kMaxMeters);
    return {std::min(n, kMetersPerBlock), n > kMetersPerBlock ? n - kMetersPerBlock : 0};
}

std::uint16_t MeterTypeRegisters(std::size_t meterCount) noexcept {
    const std::size_t n = std::min(meterCount, kMaxMeters);
    return static_cast<std::uint16_t>((n + 1) / 2);
}

std::optional<std::size_t> BaudCodeIndex(std::uint8_t code) noexcept {
    for (std::size_t i = 0; i < std::size(kBaudCodes); ++i)
        if (kBaudCodes[i].code == code)
            return i;
    return std::nullopt;
}

std::optional<std::uint32_t> BaudFromCode(std::uint8_t code) noexcept {
    if (const auto index = BaudCodeIndex(code))
        return kBaudCodes[*index].baud;
    return std::nullopt;
}

std::optional<std::uint8_t> CodeFromBaud(std::uint32_t baud) noexcept {
    for (const BaudCode& entry : kBaudCodes)
        if (entry.baud == baud)
            return entry.code;
    return std::nullopt;
}

} // namespace tev::protocol
