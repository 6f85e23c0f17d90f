// Looks every port up in arbitrary ports file text and checks that a found device is one trimmed,
// non-empty value of that text.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "port_map.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    for (const std::uint8_t port : {data[0], std::uint8_t{1}, std::uint8_t{16}}) {
        const std::string device = uart::detail::LookUpPortsText(text, port);
        if (device.empty())
            continue;
        if (text.find(device) == std::string_view::npos || device.find('\n') != std::string::npos ||
            std::isspace(static_cast<unsigned char>(device.front())) ||
            std::isspace(static_cast<unsigned char>(device.back())))
            std::abort();
    }
    return 0;
}
