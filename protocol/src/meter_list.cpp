#include "tev/protocol/meter_list.hpp"

#include <vector>

#include "tev/protocol/hex_input.hpp"

namespace tev::protocol {

ModbusRequest8 BuildSecondaryLowRead(std::uint8_t slave, std::size_t meterCount) noexcept {
    return BuildReadRequest(slave, kRegSecondaryLow,
                            static_cast<std::uint16_t>(3 * SplitSecondaryBlocks(meterCount).low));
}

ModbusRequest8 BuildSecondaryHighRead(std::uint8_t slave, std::size_t meterCount) noexcept {
    return BuildReadRequest(slave, kRegSecondaryHigh,
                            static_cast<std::uint16_t>(3 * SplitSecondaryBlocks(meterCount).high));
}

ModbusRequest8 BuildMeterTypesRead(std::uint8_t slave) noexcept {
    return BuildReadRequest(slave, kRegMeterTypes, kMeterTypeRegisterCount);
}

std::string SecondaryAddressText(std::span<const std::uint8_t> data, std::size_t index) {
    const std::size_t first = index * kSecondaryAddressBytes;
    if (index >= kMaxMeters || first + kSecondaryAddressBytes > data.size())
        return {};
    return FormatHexBytes(data.subspan(first, kSecondaryAddressBytes));
}

std::string MeterTypeText(std::span<const std::uint8_t> data, std::size_t index) {
    if (index >= data.size())
        return {};
    return FormatHexBytes(data.subspan(index, 1));
}

RequestResult BuildSecondaryAddressWrite(std::uint8_t slave, std::uint16_t start,
                                         std::span<const SecondaryAddress> meters) {
    if (meters.size() > kMetersPerBlock)
        return {{}, RequestError::TooManyRegisters};
    std::vector<std::uint8_t> bytes;
    bytes.reserve(meters.size() * kSecondaryAddressBytes);
    for (const SecondaryAddress& meter : meters)
        bytes.insert(bytes.end(), meter.begin(), meter.end());
    return BuildWriteMultipleBytes(slave, start, bytes);
}

RequestResult BuildMeterTypeWrite(std::uint8_t slave, std::span<const std::uint8_t> types) {
    if (types.size() > kMaxMeters)
        return {{}, RequestError::TooManyRegisters};
    std::vector<std::uint8_t> bytes(types.begin(), types.end());
    if (bytes.size() % 2 != 0)
        bytes.push_back(0x00);
    return BuildWriteMultipleBytes(slave, kRegMeterTypes, bytes);
}

} // namespace tev::protocol
