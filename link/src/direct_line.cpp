#include "tev/link/direct_line.hpp"

#include <array>

namespace tev::link {

std::optional<std::uint32_t> KnownBaudFromText(std::string_view text) noexcept {
    static constexpr std::array<std::uint32_t, 8> kRates = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400};
    static constexpr std::array<std::string_view, 8> kTexts = {"300",  "600",  "1200",  "2400",
                                                               "4800", "9600", "19200", "38400"};
    for (std::size_t i = 0; i < kTexts.size(); ++i)
        if (text == kTexts[i])
            return kRates[i];
    return std::nullopt;
}

SerialSettings DirectLineSettings(std::uint8_t port, std::uint32_t baud) noexcept {
    SerialSettings settings;
    settings.port = port;
    settings.baud = baud;
    settings.parity = kDirectLineParity;
    settings.dataBits = 8;
    settings.stopBits = 0;
    return settings;
}

} // namespace tev::link
