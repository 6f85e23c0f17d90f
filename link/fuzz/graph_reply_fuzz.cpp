// Any bytes as the measuring module's replies: the first byte picks the channel, the rest is read as
// the status reply text and as the value reply; decoding stays in bounds and values stay in range.
#include <cstdlib>
#include <string_view>

#include "tev/link/graph_reply.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tev::link;
    if (size == 0)
        return 0;
    const int channel = data[0] % 10 - 1; // -1 ... 8: also channels without a count field
    const std::span<const std::uint8_t> reply(data + 1, size - 1);
    const GraphStatus status = ParseGraphStatus(
        std::string_view(reinterpret_cast<const char*>(reply.data()), reply.size()), channel);
    if (status && (status.count < 0 || status.count > kGraphMaxValues))
        std::abort();
    const int count = status ? status.count : static_cast<int>(size % 300);
    const auto values = DecodeGraphValues(reply, count);
    if (values.size() > static_cast<std::size_t>(kGraphMaxValues))
        std::abort();
    for (const auto& value : values)
        if (value && (*value < -2048.0 || *value > 128.0 || FormatTemperature(*value).empty()))
            std::abort();
    return 0;
}
