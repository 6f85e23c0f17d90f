#include "tev/protocol/modbus_request.hpp"

#include "tev/protocol/crc.hpp"

namespace tev::protocol {
namespace {

constexpr std::uint8_t High(std::uint16_t v) noexcept {
    return static_cast<std::uint8_t>(v >> 8);
}
constexpr std::uint8_t Low(std::uint16_t v) noexcept {
    return static_cast<std::uint8_t>(v & 0xFFu);
}

ModbusRequest8 BuildFixed(std::uint8_t slave, std::uint8_t function, std::uint16_t a,
                          std::uint16_t b) noexcept {
    ModbusRequest8 frame{slave, function, High(a), Low(a), High(b), Low(b), 0, 0};
    const std::uint16_t crc = ModbusCrc16(std::span<const std::uint8_t>(frame.data(), 6));
    frame[6] = Low(crc);
    frame[7] = High(crc);
    return frame;
}

} // namespace

ModbusRequest8 BuildReadRequest(std::uint8_t slave, std::uint16_t start, std::uint16_t count) noexcept {
    return BuildFixed(slave, kReadHoldingRegisters, start, count);
}

ModbusRequest8 BuildWriteSingleRequest(std::uint8_t slave, std::uint16_t reg, std::uint16_t value) noexcept {
    return BuildFixed(slave, kWriteSingleRegister, reg, value);
}

void AppendModbusCrc(std::vector<std::uint8_t>& frame) {
    const std::uint16_t crc = ModbusCrc16(frame);
    frame.push_back(Low(crc));
    frame.push_back(High(crc));
}

RequestResult BuildWriteMultipleBytes(std::uint8_t slave, std::uint16_t start,
                                      std::span<const std::uint8_t> data) {
    if (data.empty())
        return {{}, RequestError::NoRegisters};
    if (data.size() % 2 != 0)
        return {{}, RequestError::OddByteCount};
    if (data.size() > 2 * kMaxWriteRegisters)
        return {{}, RequestError::TooManyRegisters};
    const auto count = static_cast<std::uint16_t>(data.size() / 2);
    RequestResult result;
    result.frame.reserve(9 + data.size());
    result.frame = {slave,
                    kWriteMultipleRegisters,
                    High(start),
                    Low(start),
                    High(count),
                    Low(count),
                    static_cast<std::uint8_t>(data.size())};
    result.frame.insert(result.frame.end(), data.begin(), data.end());
    AppendModbusCrc(result.frame);
    return result;
}

RequestResult BuildWriteMultipleRequest(std::uint8_t slave, std::uint16_t start,
                                        std::span<const std::uint16_t> values) {
    if (values.size() > kMaxWriteRegisters)
        return {{}, RequestError::TooManyRegisters};
    std::vector<std::uint8_t> bytes;
    bytes.reserve(values.size() * 2);
    for (std::uint16_t v : values) {
        bytes.push_back(High(v));
        bytes.push_back(Low(v));
    }
    return BuildWriteMultipleBytes(slave, start, bytes);
}

} // namespace tev::protocol
