#include "tev/protocol/mbus_frame.hpp"

#include <algorithm>

#include "tev/protocol/crc.hpp"

namespace tev::protocol {

std::uint8_t MbusChecksumRange(std::span<const std::uint8_t> bytes, std::size_t first,
                               std::size_t end) noexcept {
    end = std::min(end, bytes.size());
    if (first >= end)
        return 0;
    return MbusChecksum(bytes.subspan(first, end - first));
}

std::array<std::uint8_t, kMbusShortFrameLength> BuildShortFrame(std::uint8_t control,
                                                                std::uint8_t address) noexcept {
    return {kMbusShortStart, control, address, static_cast<std::uint8_t>(control + address), kMbusStop};
}

std::optional<std::vector<std::uint8_t>> BuildLongFrame(std::uint8_t control, std::uint8_t address,
                                                        std::uint8_t ci,
                                                        std::span<const std::uint8_t> userData) {
    if (userData.size() > kMbusMaxUserData)
        return std::nullopt;
    const auto length = static_cast<std::uint8_t>(3 + userData.size());
    std::vector<std::uint8_t> frame{kMbusLongStart, length, length, kMbusLongStart, control, address, ci};
    frame.reserve(userData.size() + 9);
    frame.insert(frame.end(), userData.begin(), userData.end());
    frame.push_back(MbusChecksumRange(frame, 4, frame.size()));
    frame.push_back(kMbusStop);
    return frame;
}

std::array<std::uint8_t, kSelectFrameLength>
BuildSelectFrame(const std::array<std::uint8_t, 4>& identification,
                 const std::array<std::uint8_t, 4>& manufacturer) noexcept {
    std::array<std::uint8_t, kSelectFrameLength> frame{
        kMbusLongStart, 0x0B, 0x0B, kMbusLongStart, kMbusSndUd, kMbusSelected, kMbusCiSelect};
    std::reverse_copy(identification.begin(), identification.end(), frame.begin() + 7);
    std::copy(manufacturer.begin(), manufacturer.end(), frame.begin() + 11);
    frame[15] = MbusChecksumRange(frame, 4, 15);
    frame[16] = kMbusStop;
    return frame;
}

std::array<std::uint8_t, kSetAddressFrameLength> BuildSetAddressFrame(std::uint8_t newAddress) noexcept {
    std::array<std::uint8_t, kSetAddressFrameLength> frame{kMbusLongStart,  0x06,         0x06,
                                                           kMbusLongStart,  kMbusSndUd,   kMbusSelected,
                                                           kMbusCiDataSend, kMbusDif8Bit, kMbusVifBusAddress,
                                                           newAddress};
    frame[10] = MbusChecksumRange(frame, 4, 10);
    frame[11] = kMbusStop;
    return frame;
}

std::array<std::uint8_t, kMbusShortFrameLength> BuildDeselectFrame() noexcept {
    return BuildShortFrame(kMbusSndNke, kMbusSelected);
}

std::vector<std::uint8_t> CompleteTypedFrame(std::span<const std::uint8_t> typed, std::size_t checksumStart) {
    std::vector<std::uint8_t> frame(typed.begin(), typed.end());
    frame.push_back(MbusChecksumRange(typed, checksumStart, typed.size()));
    frame.push_back(kMbusStop);
    return frame;
}

} // namespace tev::protocol
