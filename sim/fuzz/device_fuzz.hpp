// Shared steps of the simulator fuzz targets: cutting the input into frames and serving bytes to a
// device as the line thread does, with the bounds every device must keep.
#pragma once

#include "tev/sim/line.hpp"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace tev::sim::fuzz {

// Largest reply any simulated device gives: an M-Bus long frame or 64 sensors of the measuring module.
inline constexpr std::size_t kMaxReply = 300;

// Calls f(chunk) for each "[length byte][length bytes]" piece of data; a short tail is the last piece.
template <typename F> void ForEachChunk(std::span<const std::uint8_t> data, F&& f) {
    while (!data.empty()) {
        const std::size_t length = std::min<std::size_t>(data[0], data.size() - 1);
        f(data.subspan(1, length));
        data = data.subspan(1 + length);
    }
}

// Serves `bytes` to `device` frame by frame; aborts when a length or a reply breaks its bounds.
inline void Serve(Device& device, std::span<const std::uint8_t> bytes, const LineState& state) {
    while (!bytes.empty()) {
        const std::size_t length = device.frameLength(bytes);
        if (length == 0)
            return; // waits for more
        if (length == kNotAFrame) {
            bytes = bytes.subspan(1);
            continue;
        }
        if (length > bytes.size())
            std::abort(); // a frame must be complete before its length is given
        const Reply reply = device.answer(bytes.first(length), state);
        if (reply.bytes.size() > kMaxReply ||
            (!reply.bytes.empty() && reply.checksumAt >= reply.bytes.size()))
            std::abort();
        bytes = bytes.subspan(length);
    }
}

} // namespace tev::sim::fuzz
