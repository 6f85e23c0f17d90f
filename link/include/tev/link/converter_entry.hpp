// One converter as the search found it, copied whole between the search, the module tree and the pages.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace tev {

// Places of the fields in use; the others stay empty.
enum ConverterField : std::size_t {
    kFieldPort = 0,          // port number, decimal (1 = COM1)
    kFieldName = 1,          // "ZEDU-MODBUS模块"
    kFieldShownAddress = 2,  // address as shown in the tree, two upper-case hex digits
    kFieldBaudCode = 3,      // baud-rate code text after an address change
    kFieldConfiguration = 4, // 18 hex digits of the configuration read
    kFieldZero = 6,          // "0"
    kFieldPoll = 7,          // "j" (an entry holding "g" is not polled)
    kFieldModbusAddress = 8, // Modbus address, two hex digits
    kFieldBaud = 11,         // baud rate, decimal
    kFieldPendingFirst = 16, // 16..23: values waiting for confirmation of an address change
    kFieldPendingLast = 23,
};

struct ConverterEntry {
    static constexpr std::size_t kFieldCount = 27;
    std::array<std::string, kFieldCount> fields{};

    std::string& operator[](std::size_t i) { return fields.at(i); }
    const std::string& operator[](std::size_t i) const { return fields.at(i); }
    bool operator==(const ConverterEntry&) const = default;
};

} // namespace tev
