#include "tev/cli/port_option.hpp"

#include <cstdlib>

#include "tev/link/port_mapping.hpp"

namespace tev::cli {
namespace {

// "COM3", "com3" or "3": the number 1..255, else 0.
std::uint8_t ComNumber(std::string_view text) {
    if (text.size() > 3 && (text.substr(0, 3) == "COM" || text.substr(0, 3) == "com"))
        text.remove_prefix(3);
    if (text.empty() || text.size() > 3)
        return 0;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value >= 1 && value <= 255 ? static_cast<std::uint8_t>(value) : 0;
}

} // namespace

PortChoice ResolvePortOption(std::string_view text, std::uint8_t spare) {
    if (const std::uint8_t number = ComNumber(text); number != 0)
        return {number, {}};
    const bool path = !text.empty() && text.front() == '/';
    if (!path && !link::IsNetworkTarget(text))
        return {0, "no port \"" + std::string(text) + "\": give COM1..COM255, a device path or tcp://HOST:PORT"};
    if (!path) {
        if (const std::string problem = link::PortTargetProblem(text); !problem.empty())
            return {0, "no gateway address \"" + std::string(text) + "\": " + problem};
    }
    if (spare == 0)
        return {0, "no spare port number left for \"" + std::string(text) + "\""};
    const std::string variable = "TEV_COM" + std::to_string(spare);
    ::setenv(variable.c_str(), std::string(text).c_str(), 1);
    return {spare, {}};
}

} // namespace tev::cli
