// One converter as the search found it: a value with typed fields, turned into text only where it is
// shown (tree label, found list, configuration text).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tev/link/serial_settings.hpp"
#include "tev/protocol/values.hpp"

namespace tev::link {

inline constexpr std::string_view kConverterName = "ZEDU-MODBUS模块";

struct Converter {
    std::uint8_t port = 1;      // 1 = COM1
    std::uint8_t address = 1;   // Modbus address
    std::uint32_t baud = 9600;  // bit/s
    std::uint8_t parity = 0;    // parity of the search that found it: 0 none, 1 even, 2 odd
    std::string configText;     // the configuration as read: 18 upper-case hex digits
    protocol::ConverterConfig config{}; // the same, decoded
    std::string name = std::string(kConverterName);
    bool polled = true; // the data page polls it

    bool operator==(const Converter&) const = default;

    // What OpenLink needs to talk to it.
    SerialSettings settings() const { return {port, baud, parity, 8, 0}; }
};

// Only converters whose name holds "ZEDU" get the data and settings pages.
bool HasConverterPages(const Converter& converter);

// "0A": the address as shown, two upper-case hex digits.
std::string ShownAddress(const Converter& converter);

// The tree label: "ZEDU-MODBUS模块 ( 地址:0A  波特率:9600 )".
std::string TreeLabel(const Converter& converter);

} // namespace tev::link
