#include <array>

#include "analog_out.hpp"
#include "router.hpp"
#include "text.hpp"

namespace tev::sim {
namespace {

// "%AANNTTCCFF": new address, type, baud code and format. Baud and checksum (format bit 6) take
// effect at the next power-on, as on modules whose line settings need a restart.
Reply Configure(Context& c, std::string_view args) {
    const auto fields = text::ParseHex(args);
    if (args.size() != 8 || !fields)
        return std::nullopt;
    const auto address = static_cast<std::uint8_t>(*fields >> 24);
    const auto type = static_cast<std::uint8_t>(*fields >> 16);
    const auto baud = static_cast<std::uint8_t>(*fields >> 8);
    const auto format = static_cast<std::uint8_t>(*fields);
    const bool typeOk = type == c.m.spec->typeCode || FindRange(type) != nullptr ||
                        ((c.m.spec->features & Counter7080) && (type == 0x50 || type == 0x51));
    if (!typeOk || baud < 0x03 || baud > 0x0A)
        return std::nullopt;
    c.m.address = address;
    c.m.type = type;
    c.m.pendingBaud = baud;
    c.m.pendingChecksum = (format & 0x40) != 0;
    c.m.format = format;
    c.addr = text::Hex(address, 2);
    return c.ack();
}

Reply ReadConfig(Context& c, std::string_view) {
    return c.ack(text::Hex(c.m.type, 2) + text::Hex(c.m.baud, 2) + text::Hex(c.m.format, 2));
}

Reply ReadName(Context& c, std::string_view) {
    return c.ack(std::string(c.m.spec->name));
}

Reply ReadVersion(Context& c, std::string_view) {
    return c.ack("A1.0");
}

// Host watchdog: "~AA3ett" enables it with a timeout of tt tenths of a second.
Reply SetupWatchdog(Context& c, std::string_view args) {
    const auto tenths = text::ParseHex(args.substr(1));
    if ((args[0] != '0' && args[0] != '1') || !tenths)
        return std::nullopt;
    c.m.watchdog.enabled = args[0] == '1' && *tenths > 0;
    c.m.watchdog.tenths = static_cast<std::uint8_t>(*tenths);
    c.m.watchdog.lastHostOk = c.now;
    return c.ack();
}

Reply ReadWatchdog(Context& c, std::string_view) {
    return c.ack((c.m.watchdog.enabled ? "1" : "0") + text::Hex(c.m.watchdog.tenths, 2));
}

// Module status: bit 2 = the host watchdog has timed out.
Reply WatchdogStatus(Context& c, std::string_view) {
    return c.ack(c.m.watchdog.timedOut ? "04" : "00");
}

Reply ResetWatchdogStatus(Context& c, std::string_view) {
    c.m.watchdog.timedOut = false;
    c.m.watchdog.lastHostOk = c.now;
    return c.ack();
}

// 1 once after a power-on, then 0.
Reply ResetStatus(Context& c, std::string_view) {
    const bool reset = c.m.resetFlag;
    c.m.resetFlag = false;
    return c.ack(reset ? "1" : "0");
}

// "~AA5S" / "~AA5P": the present outputs become the safe / power-on value.
template <bool Safe> Reply StoreDo(Context& c, std::string_view) {
    (Safe ? c.m.doSafe : c.m.doPowerOn) = c.m.doBits;
    return c.ack();
}

template <bool Safe> Reply ReadDo(Context& c, std::string_view) {
    const std::uint32_t v = Safe ? c.m.doSafe : c.m.doPowerOn;
    return c.ack(c.m.spec->doBits > 8 ? text::Hex(v, 4) : text::Hex(v, 2) + "00");
}

// "~AA50p0s" (7011, 7012, 7014): power-on and safe value of the two outputs.
Reply SetAnalogModuleDo(Context& c, std::string_view args) {
    if (args[0] < '0' || args[0] > '3' || args[1] < '0' || args[1] > '3')
        return std::nullopt;
    c.m.doPowerOn = static_cast<std::uint32_t>(args[0] - '0');
    c.m.doSafe = static_cast<std::uint32_t>(args[1] - '0');
    return c.ack();
}

// The analog output a safe-value command names: no digit on one-channel models, else one digit.
AnalogOutput* AoOf(Context& c, std::string_view args) {
    if (c.m.spec->aoChannels == 1)
        return args.empty() ? &c.m.outputs[0] : nullptr;
    const int ch = args.size() == 1 ? OutputChannel(c.m, args[0]) : -1;
    return ch < 0 ? nullptr : &c.m.outputs[static_cast<std::size_t>(ch)];
}

template <bool Safe> Reply StoreAo(Context& c, std::string_view args) {
    AnalogOutput* o = AoOf(c, args);
    if (o == nullptr)
        return std::nullopt;
    (Safe ? o->safe : o->powerOn) = o->value;
    return c.ack();
}

template <bool Safe> Reply ReadAo(Context& c, std::string_view args) {
    const AnalogOutput* o = AoOf(c, args);
    return o ? std::optional(c.ack(ValueText(c.m, Safe ? o->safe : o->powerOn))) : std::nullopt;
}

constexpr std::array kRoutes{
    Route{'~', "3%%%", Common, SetupWatchdog},
    Route{'~', "2", Common, ReadWatchdog},
    Route{'~', "0", Common, WatchdogStatus},
    Route{'~', "1", Common, ResetWatchdogStatus},
    Route{'$', "R", ResetR, ResetStatus},
    Route{'~', "5S", SafeDo, StoreDo<true>},
    Route{'~', "5P", SafeDo, StoreDo<false>},
    Route{'~', "4S", SafeDo, ReadDo<true>},
    Route{'~', "4P", SafeDo, ReadDo<false>},
    Route{'~', "50%0%", SafeDoAnalog, SetAnalogModuleDo},
    Route{'~', "5*", SafeAo, StoreAo<true>},
    Route{'~', "4*", SafeAo, ReadAo<true>},
    Route{'$', "4*", SafeAo | StartUp87K, StoreAo<false>},
    Route{'$', "7*", SafeAo | StartUp87K, ReadAo<false>},
    Route{'%', "*", Common, Configure},
    Route{'$', "2", Common, ReadConfig},
    Route{'$', "M", Common, ReadName},
    Route{'$', "F", Common, ReadVersion},
    Route{'$', "5", Common, ResetStatus},
};

} // namespace

std::span<const Route> StatusRoutes() {
    return kRoutes;
}

} // namespace tev::sim
