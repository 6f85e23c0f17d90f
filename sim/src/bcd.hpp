// Packed BCD as meters put it on the wire: least significant byte first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tev::sim::detail {

// `value` as `bytes` BCD bytes, least significant first; higher digits are cut off.
inline std::vector<std::uint8_t> Bcd(std::uint64_t value, std::size_t bytes) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < bytes; ++i, value /= 100)
        out.push_back(static_cast<std::uint8_t>((value % 100 / 10) << 4 | value % 10));
    return out;
}

inline std::uint8_t ByteSum(const std::uint8_t* begin, const std::uint8_t* end) {
    unsigned sum = 0;
    for (auto p = begin; p != end; ++p)
        sum += *p;
    return static_cast<std::uint8_t>(sum & 0xFF);
}

} // namespace tev::sim::detail
