#include <array>

#include "analog_out.hpp"
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

// Host watchdog: "~AA3ett" enables it with a timeout of tt tenths of a second.
Reply setupWatchdog(Context& c, std::string_view args) {
    const auto tenths = text::parseHex(args.substr(1));
    if ((args[0] != '0' && args[0] != '1') || !tenths)
        return std::nullopt;
    c.m.watchdog.enabled = args[0] == '1' && *tenths > 0;
    c.m.watchdog.tenths = static_cast<std::uint8_t>(*tenths);
    c.m.watchdog.lastHostOk = c.now;
    return c.ack();
}

Reply readWatchdog(Context& c, std::string_view) {
    return c.ack((c.m.watchdog.enabled ? "1" : "0") + text::hex(c.m.watchdog.tenths, 2));
}

// Module status: bit 2 = the host watchdog has timed out.
Reply watchdogStatus(Context& c, std::string_view) {
    return c.ack(c.m.watchdog.timedOut ? "04" : "00");
}

Reply resetWatchdogStatus(Context& c, std::string_view) {
    c.m.watchdog.timedOut = false;
    c.m.watchdog.lastHostOk = c.now;
    return c.ack();
}

// 1 once after a power-on, then 0.
Reply resetStatus(Context& c, std::string_view) {
    const bool reset = c.m.resetFlag;
    c.m.resetFlag = false;
    return c.ack(reset ? "1" : "0");
}

// "~AA5S" / "~AA5P": the present outputs become the safe / power-on value.
template <bool Safe> Reply storeDo(Context& c, std::string_view) {
    (Safe ? c.m.doSafe : c.m.doPowerOn) = c.m.doBits;
    return c.ack();
}

template <bool Safe> Reply readDo(Context& c, std::string_view) {
    const std::uint32_t v = Safe ? c.m.doSafe : c.m.doPowerOn;
    return c.ack(c.m.spec->doBits > 8 ? text::hex(v, 4) : text::hex(v, 2) + "00");
}

// "~AA50p0s" (7011, 7012, 7014): power-on and safe value of the two outputs.
Reply setAnalogModuleDo(Context& c, std::string_view args) {
    if (args[0] < '0' || args[0] > '3' || args[1] < '0' || args[1] > '3')
        return std::nullopt;
    c.m.doPowerOn = static_cast<std::uint32_t>(args[0] - '0');
    c.m.doSafe = static_cast<std::uint32_t>(args[1] - '0');
    return c.ack();
}

// The analog output a safe-value command names: no digit on one-channel models, else one digit.
AnalogOutput* aoOf(Context& c, std::string_view args) {
    if (c.m.spec->aoChannels == 1)
        return args.empty() ? &c.m.outputs[0] : nullptr;
    const int ch = args.size() == 1 ? outputChannel(c.m, args[0]) : -1;
    return ch < 0 ? nullptr : &c.m.outputs[static_cast<std::size_t>(ch)];
}

template <bool Safe> Reply storeAo(Context& c, std::string_view args) {
    AnalogOutput* o = aoOf(c, args);
    if (o == nullptr)
        return std::nullopt;
    (Safe ? o->safe : o->powerOn) = o->value;
    return c.ack();
}

template <bool Safe> Reply readAo(Context& c, std::string_view args) {
    const AnalogOutput* o = aoOf(c, args);
    return o ? std::optional(c.ack(valueText(c.m, Safe ? o->safe : o->powerOn))) : std::nullopt;
}

constexpr std::array kRoutes{
    Route{'~', "3%%%", Common, setupWatchdog},
    Route{'~', "2", Common, readWatchdog},
    Route{'~', "0", Common, watchdogStatus},
    Route{'~', "1", Common, resetWatchdogStatus},
    Route{'$', "R", ResetR, resetStatus},
    Route{'~', "5S", SafeDo, storeDo<true>},
    Route{'~', "5P", SafeDo, storeDo<false>},
    Route{'~', "4S", SafeDo, readDo<true>},
    Route{'~', "4P", SafeDo, readDo<false>},
    Route{'~', "50%0%", SafeDoAnalog, setAnalogModuleDo},
    Route{'~', "5*", SafeAo, storeAo<true>},
    Route{'~', "4*", SafeAo, readAo<true>},
    Route{'$', "4*", SafeAo | StartUp87K, storeAo<false>},
    Route{'$', "7*", SafeAo | StartUp87K, readAo<false>},
    Route{'%', "*", Common, configure},
    Route{'$', "2", Common, readConfig},
    Route{'$', "M", Common, readName},
    Route{'$', "F", Common, readVersion},
    Route{'$', "5", Common, resetStatus},
};

} // namespace

std::span<const Route> statusRoutes() {
    return kRoutes;
}

} // namespace tev::sim
