#include "tev/protocol/modbus_frame_rule.hpp"

#include "tev/protocol/crc.hpp"
#include "tev/protocol/modbus_request.hpp"

namespace tev::protocol {
namespace {

// Announced length of the reply that starts with address, function[, byte count]; 0 when it
// cannot be told yet or the function is unknown.
std::size_t AnnouncedLength(std::span<const std::uint8_t> bytes) noexcept {
    if (bytes.size() < 2)
        return 0;
    const std::uint8_t function = bytes[1];
    if (function & kExceptionFlag)
        return 5; // address, function | 0x80, exception code, CRC
    switch (function) {
    case 0x01:
    case 0x02:
    case kReadHoldingRegisters:
    case kReadInputRegisters:
        return bytes.size() < 3 ? 0 : 5 + std::size_t{bytes[2]};
    case 0x05:
    case kWriteSingleRegister:
    case 0x0F:
    case kWriteMultipleRegisters:
        return 8; // echo of address/register and value/count
    default:
        return 0;
    }
}

} // namespace

std::size_t ModbusReplyLength(std::span<const std::uint8_t> bytes) noexcept {
    const std::size_t length = AnnouncedLength(bytes);
    return length <= bytes.size() ? length : 0;
}

std::size_t ModbusReplyRule(const std::uint8_t* data, std::size_t length, void* /*context*/) noexcept {
    if (data == nullptr)
        return 0;
    return ModbusReplyLength(std::span<const std::uint8_t>(data, length));
}

ModbusReplyMatch ModbusMatchFor(std::span<const std::uint8_t> request) noexcept {
    if (request.size() < 2)
        return {};
    return {request[0], request[1]};
}

std::size_t ModbusMatchedReplyEnd(std::span<const std::uint8_t> bytes,
                                  const ModbusReplyMatch& match) noexcept {
    for (std::size_t offset = 0; offset + 2 <= bytes.size(); ++offset) {
        const auto rest = bytes.subspan(offset);
        if (rest[0] != match.slave || (rest[1] & ~kExceptionFlag & 0xFFu) != match.function)
            continue;
        // A candidate that is incomplete or fails its CRC may be noise: look further.
        if (const std::size_t length = ModbusReplyLength(rest);
            length != 0 && ModbusCrcValid(rest.first(length)))
            return offset + length;
    }
    return 0;
}

std::size_t ModbusMatchedReplyRule(const std::uint8_t* data, std::size_t length, void* context) noexcept {
    if (data == nullptr || context == nullptr)
        return 0;
    return ModbusMatchedReplyEnd(std::span<const std::uint8_t>(data, length),
                                 *static_cast<const ModbusReplyMatch*>(context));
}

} // namespace tev::protocol
