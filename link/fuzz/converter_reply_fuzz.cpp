// Any bytes as a probe reply: the check and the entry built from an accepted reply stay in bounds.
#include <cstdlib>

#include "tev/link/converter_probe.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tev::link;
    const std::span<const std::uint8_t> reply(data, size);
    if (IsConverterReply(reply)) {
        const Converter c = MakeConverter({}, reply[0], reply);
        if (c.configText.size() != 18)
            std::abort();
    }
    return 0;
}
