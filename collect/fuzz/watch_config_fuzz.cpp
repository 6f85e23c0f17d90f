// Any bytes as a collector configuration: either a configuration within every bound the collector
// relies on, or an error that names the file; never both, never neither.
#include <cstdlib>
#include <set>
#include <string_view>

#include "tev/collect/watch_config.hpp"

namespace {

void CheckLines(const tev::collect::WatchConfig& config) {
    std::set<std::string> names;
    for (const auto& line : config.lines) {
        if (line.port.empty() || line.periodMs < 100 || line.timeoutMs < 0 || line.parity > 2)
            std::abort();
        for (const auto& converter : line.converters) {
            if (converter.address < 1 || converter.address > 247 ||
                !tev::collect::UsableTopicLevel(converter.name) || !names.insert(converter.name).second)
                std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const tev::collect::ConfigResult result = tev::collect::ParseWatchConfig(text, "fuzz.toml");
    if (result.config.has_value() == !result.error.empty())
        std::abort();
    if (!result.config)
        return result.error.rfind("fuzz.toml", 0) == 0 ? 0 : (std::abort(), 0);
    CheckLines(*result.config);
    return 0;
}
