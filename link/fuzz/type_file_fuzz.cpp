// Any bytes as type.txt: parsing stays within them and its bounds, and names are what a reader keeps.
#include <cstdlib>
#include <string_view>

#include "tev/link/type_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tev::link;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TypeFile file = ParseTypeFile(bytes);
    if (file.names.size() > kMaxTypeNames)
        std::abort();
    std::size_t total = 0;
    for (const std::string& name : file.names) {
        // Each name is trimmed and comes from one line of the input.
        if (name.empty() || name.find('\n') != std::string::npos ||
            name.back() == ' ' || name.back() == '\r' || bytes.find(name) == std::string_view::npos)
            std::abort();
        (void)TypeNumber(name);
        total += name.size();
    }
    if (total > size)
        std::abort();
    return 0;
}
