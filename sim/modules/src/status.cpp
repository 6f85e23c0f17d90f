#include <array>

#include "router.hpp"
#include "text.hpp"

namespace tev::sim {
namespace {

// "%AANNTTCCFF": new address, type, baud code and format. Baud and checksum (format bit 6) take
// effect at the next power-on, as on modules whose line settings need a restart.
Reply configure(Context& c, std::string_view args) {
    const auto fields = text::parseHex(args);
    if (args.size() != 8 || !fields)
        return std::nullopt;
    const auto address = static_cast<std::uint8_t>(*fields >> 24);
    const auto type = static_cast<std::uint8_t>(*fields >> 16);
    const auto baud = static_cast<std::uint8_t>(*fields >> 8);
    const auto format = static_cast<std::uint8_t>(*fields);
    const bool typeOk = type == c.m.spec->typeCode || findRange(type) != nullptr ||
                        ((c.m.spec->features & Counter7080) && (type == 0x50 || type == 0x51));
    if (!typeOk || baud < 0x03 || baud > 0x0A)
        return std::nullopt;
    c.m.address = address;
    c.m.type = type;
    c.m.pendingBaud = baud;
    c.m.pendingChecksum = (format & 0x40) != 0;
    c.m.format = format;
    c.addr = text::hex(address, 2);
    return c.ack();
}

Reply readConfig(Context& c, std::string_view) {
    return c.ack(text::hex(c.m.type, 2) + text::hex(c.m.baud, 2) + text::hex(c.m.format, 2));
}

Reply readName(Context& c, std::string_view) {
    return c.ack(std::string(c.m.spec->name));
}

Reply readVersion(Context& c, std::string_view) {
    return c.ack("A1.0");
}

constexpr std::array kRoutes{
    Route{'%', "*", Common, configure},
    Route{'$', "2", Common, readConfig},
    Route{'$', "M", Common, readName},
    Route{'$', "F", Common, readVersion},
};

} // namespace

std::span<const Route> statusRoutes() {
    return kRoutes;
}

} // namespace tev::sim
