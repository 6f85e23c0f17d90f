#include "tev/protocol/hex_input.hpp"

#include <algorithm>

namespace tev::protocol {

int HexDigitValue(char c) noexcept {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::uint8_t HexGroupValue(std::string_view group) noexcept {
    unsigned value = 0;
    for (char c : group) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            break;
        value = ((value << 4) | static_cast<unsigned>(digit)) & 0xFFu;
    }
    return static_cast<std::uint8_t>(value);
}

std::vector<std::uint8_t> ParseHexGroups(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve((text.size() + 1) / 2);
    for (std::size_t i = 0; i < text.size(); i += 2)
        bytes.push_back(HexGroupValue(text.substr(i, 2)));
    return bytes;
}

std::vector<std::uint8_t> ParseHexCommand(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(compact), [](char c) { return c != ' '; });
    return ParseHexGroups(compact);
}

std::array<std::uint8_t, 6> SecondaryAddressFromText(std::string_view serial) {
    std::string padded(serial.size() < 12 ? 12 - serial.size() : 0, '0');
    padded += serial.substr(0, 12);
    const auto groups = ParseHexGroups(padded);
    std::array<std::uint8_t, 6> bytes{};
    std::copy_n(groups.begin(), bytes.size(), bytes.begin());
    return bytes;
}

std::string FormatHexBytes(std::span<const std::uint8_t> bytes, std::string_view separator) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * (2 + separator.size()));
    for (std::uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
        text.append(separator);
    }
    return text;
}

} // namespace tev::protocol
