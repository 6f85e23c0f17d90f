#include "tev/protocol/values.hpp"

#include <bit>
#include <cstdio>

#include "tev/protocol/hex_input.hpp"

namespace tev::protocol {
namespace {

template <typename... Args> std::string Printf(const char* format, Args... args) {
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    if (n < 0)
        return {};
    if (static_cast<std::size_t>(n) < sizeof buffer)
        return std::string(buffer, static_cast<std::size_t>(n));
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), format, args...);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// Value of the hex digits text[first .. first + count - 1], all of which must be hex digits.
std::optional<std::uint32_t> HexField(std::string_view text, std::size_t first, std::size_t count) noexcept {
    std::uint32_t value = 0;
    for (char c : text.substr(first, count)) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

} // namespace

std::optional<std::uint32_t> Word32At(std::span<const std::uint8_t> data, std::size_t offset) noexcept {
    if (offset > data.size() || data.size() - offset < 4)
        return std::nullopt;
    return (std::uint32_t{data[offset]} << 24) | (std::uint32_t{data[offset + 1]} << 16) |
           (std::uint32_t{data[offset + 2]} << 8) | std::uint32_t{data[offset + 3]};
}

std::int32_t SerialFromBits(std::uint32_t bits) noexcept {
    return std::bit_cast<std::int32_t>(bits);
}
float FlowFromBits(std::uint32_t bits) noexcept {
    return std::bit_cast<float>(bits);
}

std::string FormatSerial(std::int32_t serial) {
    return Printf("%08d", serial);
}
std::string FormatFlow(float flow) {
    return Printf("%f", static_cast<double>(flow));
}
std::string FormatStatus(std::uint8_t status) {
    return Printf("%02X", unsigned{status});
}

std::optional<MeterStatus> DecodeMeterStatus(std::span<const std::uint8_t> data) noexcept {
    if (data.size() < 2)
        return std::nullopt;
    return MeterStatus{data[0], data[1]};
}

std::optional<MeterValues> DecodeMeterValues(std::span<const std::uint8_t> data) noexcept {
    const auto serial = Word32At(data, 0);
    const auto flow = Word32At(data, 4);
    if (!serial || !flow)
        return std::nullopt;
    return MeterValues{SerialFromBits(*serial), FlowFromBits(*flow)};
}

std::optional<ConverterConfig> DecodeConfig(std::span<const std::uint8_t> data) noexcept {
    if (data.size() < kConfigDataBytes)
        return std::nullopt;
    ConverterConfig config;
    config.address = data[0];
    config.baudCode = data[1];
    config.acquisitionTime = static_cast<std::uint16_t>((data[2] << 8) | data[3]);
    config.meterType = data[4];
    config.meterCount = data[5];
    config.parity = static_cast<std::uint8_t>(data[7] & 0x0Fu);
    config.mode = data[9];
    return config;
}

std::string ConfigText(std::span<const std::uint8_t> data) {
    if (data.size() < kConfigDataBytes)
        return {};
    std::string text = FormatHexBytes(data.first(8));
    text += FormatHexBytes(data.subspan(9, 1));
    return text;
}

std::optional<ConverterConfig> ParseConfigText(std::string_view text) noexcept {
    if (text.size() != kConfigTextLength || !HexField(text, 0, kConfigTextLength))
        return std::nullopt;
    const auto field = [text](std::size_t first, std::size_t count) { return *HexField(text, first, count); };
    ConverterConfig config;
    config.address = static_cast<std::uint8_t>(field(0, 2));
    config.baudCode = static_cast<std::uint8_t>(field(2, 2));
    config.acquisitionTime = static_cast<std::uint16_t>(field(4, 4));
    config.meterType = static_cast<std::uint8_t>(field(8, 2));
    config.meterCount = static_cast<std::uint8_t>(field(10, 2));
    config.parity = static_cast<std::uint8_t>(field(15, 1));
    config.mode = static_cast<std::uint8_t>(field(16, 2));
    return config;
}

} // namespace tev::protocol
