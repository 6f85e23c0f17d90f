// The Modbus frame rules never report more bytes than they were given; the plain one agrees with its
// C adapter.
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
    // The matched rule: within the bytes, and the same end when the bytes stop there.
    const ModbusReplyMatch match{size > 0 ? data[0] : std::uint8_t{1}, size > 1 ? data[1] : std::uint8_t{3}};
    const std::span<const std::uint8_t> bytes(data, size);
    const std::size_t end = ModbusMatchedReplyEnd(bytes, match);
    if (end > size || (end != 0 && ModbusMatchedReplyEnd(bytes.first(end), match) != end))
        std::abort();
    return 0;
}
