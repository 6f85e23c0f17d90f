// The Modbus frame rule never reports more bytes than it was given, and agrees with its C adapter.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "tev/protocol/modbus_frame_rule.hpp"

using namespace tev::protocol;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t length = ModbusReplyLength(std::span<const std::uint8_t>(data, size));
    if (length > size || ModbusReplyRule(data, size, nullptr) != length)
        std::abort();
    // A complete frame stays complete, with the same length, when more bytes follow it.
    if (length != 0 && ModbusReplyLength(std::span<const std::uint8_t>(data, length)) != length)
        std::abort();
    return 0;
}
