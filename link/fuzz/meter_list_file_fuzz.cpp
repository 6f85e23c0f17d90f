// Any bytes as a *.cfg meter list, in both addressing modes: parsing stays within its bounds, and
// the rows it yields are written and read back unchanged (rows that begin with ';' excepted: written
// first on a line they read as a comment).
#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "tev/link/meter_list_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tev::link;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const bool secondary : {false, true}) {
        const MeterListFile parsed = ParseMeterListFile(bytes, secondary);
        if (parsed.rows.size() > kMaxCfgRows)
            std::abort();
        const bool comment = std::any_of(parsed.rows.begin(), parsed.rows.end(), [secondary](const MeterListRow& r) {
            const std::string& first = secondary ? r.serial : r.type;
            return !first.empty() && first.front() == ';';
        });
        if (comment)
            continue;
        const std::string text = FormatMeterListFile(parsed.rows, secondary);
        if (!(ParseMeterListFile(text, secondary).rows == parsed.rows))
            std::abort();
    }
    return 0;
}
