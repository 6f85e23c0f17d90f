// Any bytes as a probe reply (the first byte is the probed address): a reply counts only when it is
// the probed converter's whole configuration reply, one the receive would have ended on, and the
// entry built from it stays in bounds.
#include <cstdlib>

#include "tev/link/converter_probe.hpp"
#include "tev/protocol/modbus_frame_rule.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tev::link;
    if (size == 0)
        return 0;
    const std::uint8_t address = data[0];
    const std::span<const std::uint8_t> reply(data + 1, size - 1);
    if (!IsConverterReply(address, reply))
        return 0;
    if (reply.size() != kConfigurationReplySize || reply[0] != address || reply[1] != 0x03 || reply[2] != 10)
        std::abort();
    // The same bytes never count for the next address probed.
    if (IsConverterReply(static_cast<std::uint8_t>(address + 1), reply))
        std::abort();
    const auto match = tev::protocol::ModbusMatchFor(SearchRequest(address));
    if (tev::protocol::ModbusMatchedReplyEnd(reply, match) != kConfigurationReplySize)
        std::abort();
    if (MakeConverter({}, address, reply).configText.size() != 18)
        std::abort();
    return 0;
}
