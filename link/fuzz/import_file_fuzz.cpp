// Any bytes as a meter address import file: reading never reads past them, keeps the line store
// bounded, and every kept line converts to one address setting.
#include <cstdlib>
#include <string_view>

#include "tev/link/meter_address.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tev::link;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    AddressBatch batch;
    const auto read = batch.addFileText(text);
    if (read.taken != batch.size() || batch.size() > kMaxImportLines)
        std::abort();
    for (const auto& line : batch.lines()) {
        if (line.empty() || line.front() == ' ' || line.back() == ' ' || line.size() > size)
            std::abort();
        if (!CheckImportLine("FFFFFFFF", line))
            std::abort(); // a batch line itself is never refused
        (void)CheckManualFields(line, line, line);
    }
    return 0;
}
