// The M-Bus frame rule and the terminal's reply length stay within the bytes they are given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "tev/protocol/mbus_frame_rule.hpp"

using namespace tev::protocol;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::size_t length = MbusReplyLength(bytes);
    if (length > size || MbusReplyRule(data, size, nullptr) != length)
        std::abort();
    if (length != 0 && MbusReplyLength(bytes.first(length)) != length)
        std::abort();
    for (MeterOrigin origin : {MeterOrigin::None, MeterOrigin::Domestic, MeterOrigin::Imported})
        if (TerminalReplyLength(bytes, origin) > size)
            std::abort();
    return 0;
}
