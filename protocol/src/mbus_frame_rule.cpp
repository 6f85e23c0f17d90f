#include "tev/protocol/mbus_frame_rule.hpp"

#include <algorithm>

#include "tev/protocol/mbus_frame.hpp"

namespace tev::protocol {
namespace {

// Offset of the domestic meter frame's length byte from its 0x68, and the bytes it adds.
constexpr std::size_t kDomesticLengthOffset = 10;
constexpr std::size_t kDomesticOverhead = 13;
constexpr std::size_t kLongOverhead = 6;

// Announced end of the frame starting at `s` (a 0x68), or 0 while the header is incomplete.
std::size_t StartFrameEnd(std::span<const std::uint8_t> bytes, std::size_t s) noexcept {
    if (bytes.size() < s + 4)
        return 0;
    if (bytes[s + 3] == kMbusLongStart && bytes[s + 1] == bytes[s + 2])
        return s + bytes[s + 1] + kLongOverhead;
    if (bytes.size() <= s + kDomesticLengthOffset)
        return 0;
    return s + bytes[s + kDomesticLengthOffset] + kDomesticOverhead;
}

} // namespace

std::size_t MbusReplyLength(std::span<const std::uint8_t> bytes) noexcept {
    std::size_t s = 0;
    while (s < bytes.size() && bytes[s] == kMbusWakeUp)
        ++s;
    if (s >= bytes.size())
        return 0;
    std::size_t end = 0;
    switch (bytes[s]) {
    case kMbusAck:
        end = s + 1;
        break;
    case kMbusShortStart:
        end = s + kMbusShortFrameLength;
        break;
    case kMbusLongStart:
        end = StartFrameEnd(bytes, s);
        break;
    default:
        return 0;
    }
    return end <= bytes.size() ? end : 0;
}

std::size_t MbusReplyRule(const std::uint8_t* data, std::size_t length, void* /*context*/) noexcept {
    if (data == nullptr)
        return 0;
    return MbusReplyLength(std::span<const std::uint8_t>(data, length));
}

std::size_t TerminalReplyLength(std::span<const std::uint8_t> reply, MeterOrigin origin) noexcept {
    if (reply.empty())
        return 0;
    if (reply[0] == kMbusAck)
        return 1;
    if (origin == MeterOrigin::None)
        return 0;
    const auto found = std::find(reply.begin(), reply.end(), kMbusLongStart);
    const std::size_t s = found == reply.end() ? 0 : static_cast<std::size_t>(found - reply.begin());
    const bool domestic = origin == MeterOrigin::Domestic;
    const std::size_t lengthAt = s + (domestic ? kDomesticLengthOffset : 1);
    if (lengthAt >= reply.size())
        return reply.size();
    const std::size_t end = s + reply[lengthAt] + (domestic ? kDomesticOverhead : kLongOverhead);
    return std::min(end, reply.size());
}

} // namespace tev::protocol
