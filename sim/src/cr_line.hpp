// Framing of the ASCII devices: a command is the text up to and including its CR.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tev::sim::detail {

inline constexpr std::uint8_t kCr = 0x0D;

// Length of the line at the start of `bytes` with its CR, 0 while the CR has not arrived. A line of
// any length is one frame, so that an overlong line is refused whole rather than cut into pieces
// whose tail could pass for a command.
inline std::size_t CrLineLength(std::span<const std::uint8_t> bytes) {
    const auto cr = std::find(bytes.begin(), bytes.end(), kCr);
    return cr == bytes.end() ? 0 : static_cast<std::size_t>(cr - bytes.begin()) + 1;
}

} // namespace tev::sim::detail
