// Checks arbitrary bytes as the reply to each kind of request, then decodes what passes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "tev/protocol/modbus_reply.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/protocol/values.hpp"

using namespace tev::protocol;

namespace {

void Decode(std::span<const std::uint8_t> data) {
    (void)DecodeMeterStatus(data);
    if (const auto values = DecodeMeterValues(data)) {
        (void)FormatSerial(values->serial);
        (void)FormatFlow(values->flow);
    }
    if (const auto config = DecodeConfig(data)) {
        if (ParseConfigText(ConfigText(data)) != config)
            std::abort();
    }
}

void CheckAgainst(std::span<const std::uint8_t> request, std::span<const std::uint8_t> reply) {
    const ModbusReply result = CheckModbusReply(request, reply);
    if (result.frameOffset + result.frameLength > reply.size())
        std::abort();
    if (result)
        Decode(result.data);
    else if (!result.data.empty())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> reply(data, size);
    const std::uint8_t slave = size > 0 ? data[0] : 1;
    CheckAgainst(BuildReadRequest(slave, 6000, 5), reply);
    CheckAgainst(BuildReadRequest(slave, 0, 4), reply);
    CheckAgainst(BuildReadRequest(slave, 5000, 1), reply);
    CheckAgainst(BuildWriteSingleRequest(slave, 6001, 60), reply);
    const std::uint16_t values[] = {1, 2, 3};
    CheckAgainst(BuildWriteMultipleRequest(slave, 7000, values).frame, reply);
    // The input with a valid CRC behind it, so that the checks past the CRC are reached too.
    std::vector<std::uint8_t> framed(reply.begin(), reply.end());
    AppendModbusCrc(framed);
    CheckAgainst(BuildReadRequest(slave, 0, framed.size() > 3 ? framed[2] / 2 : 1), framed);
    CheckAgainst(BuildWriteSingleRequest(slave, 6001, 60), framed);
    // The input as a request of its own, answered by itself.
    CheckAgainst(reply, reply);
    Decode(reply);
    return 0;
}
