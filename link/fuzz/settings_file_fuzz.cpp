// Any bytes as tev_module.ini: parsing never reads past them, and what it reads survives a round trip.
#include <cstdlib>

#include "tev/link/settings_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tev::link;
    const SearchSettings parsed = ParseSettings({data, size});
    const auto text = FormatSettings(parsed);
    const SearchSettings again =
        ParseSettings({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    // Every value a parse yields fits its field, so it is written and read back unchanged.
    if (!(again == parsed))
        std::abort();
    return 0;
}
