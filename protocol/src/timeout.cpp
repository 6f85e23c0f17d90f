#include "tev/protocol/timeout.hpp"

#include <algorithm>
#include <charconv>

namespace tev::protocol {

std::uint32_t BaseTimeoutMs(std::uint32_t baud) noexcept {
    if (baud == 0)
        baud = kFallbackBaud;
    return (19200u / baud) * 150u; // at most 19200 * 150, no overflow
}

std::optional<std::uint32_t> ParseBaudText(std::string_view text) noexcept {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::uint32_t BaseTimeoutMsFromText(std::string_view baudText) noexcept {
    return BaseTimeoutMs(ParseBaudText(baudText).value_or(kFallbackBaud));
}

std::uint16_t ReceiveTimeoutMs(std::uint32_t baud, std::uint32_t extraMs) noexcept {
    const std::uint64_t total = std::uint64_t{BaseTimeoutMs(baud)} + extraMs;
    return static_cast<std::uint16_t>(std::min<std::uint64_t>(total, 0xFFFF));
}

std::uint16_t ReceiveTimeoutMsFromText(std::string_view baudText, std::uint32_t extraMs) noexcept {
    return ReceiveTimeoutMs(ParseBaudText(baudText).value_or(kFallbackBaud), extraMs);
}

} // namespace tev::protocol
