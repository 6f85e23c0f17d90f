// Any received bytes as the terminal's reply: the shown count, whatever the length byte says, stays
// inside the bytes that arrived.
#include <cstdlib>
#include <span>

#include "tev/link/terminal.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tev::protocol::MeterOrigin;
    const std::span<const std::uint8_t> received(data, size);
    for (MeterOrigin origin : {MeterOrigin::None, MeterOrigin::Domestic, MeterOrigin::Imported}) {
        const auto text = tev::link::TerminalReplyText(received, origin);
        if (!text)
            continue;
        if (size == 0 || data[0] == 0 || text->size() % 3 != 0 || text->size() > size * 3)
            std::abort();
    }
    return 0;
}
