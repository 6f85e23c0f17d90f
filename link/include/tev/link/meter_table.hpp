// The meter list of the current converter as the settings page read it and the meter list edits it.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace tev::link {

struct MeterEntry {
    std::string readSerial;   // 12 upper-case hex characters: the meter's 6-byte secondary address
    std::string readType;     // "%02X" of the type byte
    std::string editedSerial; // as edited in the meter list
    std::string editedType;   // two decimal digits that begin the chosen type name

    bool operator==(const MeterEntry&) const = default;
};

struct MeterTable {
    static constexpr std::size_t kCapacity = 72;
    static constexpr std::size_t kMaxUsed = 64;
    int count = 0; // meters in use, 0 .. kMaxUsed; entry i is row i + 1 of the converter's list
    std::array<MeterEntry, kCapacity> entries{};

    bool operator==(const MeterTable&) const = default;
};

} // namespace tev::link
