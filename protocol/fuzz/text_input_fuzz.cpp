// Typed hexadecimal text, configuration text and baud-rate text: any text gives a clear result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tev/protocol/hex_input.hpp"
#include "tev/protocol/mbus_frame.hpp"
#include "tev/protocol/timeout.hpp"
#include "tev/protocol/values.hpp"

using namespace tev::protocol;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto bytes = ParseHexGroups(text);
    if (bytes.size() != (size + 1) / 2)
        std::abort();
    const auto command = ParseHexCommand(text);
    for (std::size_t start : {kChecksumFromStart, kChecksumShortFrame, kChecksumLongFrame})
        if (CompleteTypedFrame(command, start).size() != command.size() + 2)
            std::abort();
    (void)SecondaryAddressFromText(text);
    if (const auto config = ParseConfigText(text); config && text.size() != kConfigTextLength)
        std::abort();
    (void)ReceiveTimeoutMsFromText(text, 2000);
    return 0;
}
