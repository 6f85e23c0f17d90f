#include "tev/link/graph_reply.hpp"

#include <algorithm>
#include <cstdio>

namespace tev::link {
namespace {

int HexDigit(char c) noexcept {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

constexpr std::size_t kFirstValue = 5; // '>', two address characters, channel digit, count byte
constexpr double kStep = 0.0625;       // 1/16 °C

} // namespace

std::string GraphStatusCommand(std::string_view address) {
    return "$" + std::string(address) + "6";
}

std::string GraphValueCommand(std::string_view address, int channel) {
    return "#" + std::string(address) + static_cast<char>('0' + std::clamp(channel, 0, kGraphChannels - 1));
}

GraphStatus ParseGraphStatus(std::string_view reply, int channel) noexcept {
    GraphStatus status;
    if (reply.size() < kGraphStatusMinLength || channel < 0)
        return status;
    const std::size_t at = 2 * static_cast<std::size_t>(channel) + 5;
    if (at + 2 > reply.size())
        return status;
    const int high = HexDigit(reply[at]);
    const int low = HexDigit(reply[at + 1]);
    if (high < 0 || low < 0) {
        status.error = GraphStatusError::NotHex;
        return status;
    }
    status.error = GraphStatusError::None;
    status.count = high * 16 + low;
    return status;
}

std::size_t GraphValueReplyLength(int count) noexcept {
    return 4 * static_cast<std::size_t>(std::clamp(count, 0, kGraphMaxValues)) + 7;
}

double DecodeTemperature(std::uint8_t low, std::uint8_t high) noexcept {
    if (high >= 0xF8) {
        const auto value = static_cast<std::int16_t>(static_cast<std::uint16_t>(high << 8 | low));
        return value * kStep;
    }
    return ((high & 7) * 256 + low) * kStep;
}

std::vector<std::optional<double>> DecodeGraphValues(std::span<const std::uint8_t> received, int count) {
    std::vector<std::optional<double>> values(
        static_cast<std::size_t>(std::clamp(count, 0, kGraphMaxValues)));
    for (std::size_t k = 0; k < values.size(); ++k) {
        const std::size_t at = kFirstValue + 4 * k;
        if (at + 1 < received.size())
            values[k] = DecodeTemperature(received[at], received[at + 1]);
    }
    return values;
}

std::string FormatTemperature(double celsius) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3f", celsius);
    return std::string(text) + "℃";
}

} // namespace tev::link
