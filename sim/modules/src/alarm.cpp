#include <array>

#include "router.hpp"
#include "text.hpp"

namespace tev::sim {
namespace {

int typeDecimals(const Module& m) {
    const TypeRange* r = findRange(m.type);
    return r ? r->decimals : 3;
}

Reply enable(Context& c, std::string_view args) {
    if (args[0] != 'M' && args[0] != 'L')
        return std::nullopt;
    c.m.alarm.mode = args[0] == 'M' ? 1 : 2;
    return c.ack();
}

Reply disable(Context& c, std::string_view) {
    c.m.alarm = AnalogAlarmState{0, c.m.alarm.low, c.m.alarm.high};
    return c.ack();
}

Reply clearLatch(Context& c, std::string_view) {
    c.m.alarm.lowActive = c.m.alarm.highActive = false;
    advance(c.m, c.now); // a condition that still holds shows again at once
    return c.ack();
}

template <bool High> Reply setLimit(Context& c, std::string_view args) {
    const auto v = args.size() == 7 ? text::parseNumber(args) : std::nullopt;
    if (!v)
        return std::nullopt;
    (High ? c.m.alarm.high : c.m.alarm.low) = *v;
    return c.ack();
}

template <bool High> Reply readLimit(Context& c, std::string_view) {
    return c.ack(text::fixed(High ? c.m.alarm.high : c.m.alarm.low, 7, typeDecimals(c.m), true).substr(0, 7));
}

// The event counter counts rising edges of digital input 0.
Reply readEvents(Context& c, std::string_view) {
    return c.ack(text::fixed(c.m.di.counts[0], 5, 0, false));
}

Reply clearEvents(Context& c, std::string_view) {
    c.m.di.counts[0] = 0;
    return c.ack();
}

// LED display channel: "$AA3N" / "$AA8N" set it, "$AA3" / "$AA8" read it.
Reply led(Context& c, std::string_view args) {
    const int channels = (c.m.spec->features & Led7033) ? 3 : 2;
    if (args.empty())
        return c.ack(std::string(1, static_cast<char>('0' + c.m.led)));
    const int ch = args[0] - '0';
    if (args.size() != 1 || ch < 0 || ch >= channels)
        return std::nullopt;
    c.m.led = static_cast<std::uint8_t>(ch);
    return c.ack();
}

// Two seven-character numbers, low then high.
bool validPair(std::string_view s, bool ordered) {
    if (s.size() != 14)
        return false;
    const auto lo = text::parseNumber(s.substr(0, 7)), hi = text::parseNumber(s.substr(7));
    return lo && hi && (!ordered || *lo < *hi);
}

// "6" + source range sets it, "6" alone reads it (7016 form; the 7014 reads with "$AA3").
Reply source(Context& c, std::string_view args) {
    if (args.empty())
        return c.ack(c.m.map.source);
    if (!validPair(args, true))
        return std::nullopt;
    c.m.map.source = std::string(args);
    return c.ack();
}

Reply target(Context& c, std::string_view args) {
    if (args.empty())
        return c.ack(c.m.map.target);
    if (!validPair(args, false))
        return std::nullopt;
    c.m.map.target = std::string(args);
    return c.ack();
}

Reply readSource(Context& c, std::string_view) {
    return c.ack(c.m.map.source);
}
Reply readTarget(Context& c, std::string_view) {
    return c.ack(c.m.map.target);
}

Reply mapping(Context& c, std::string_view args) {
    if (args.empty())
        return c.ack(c.m.map.enabled ? "1" : "0");
    if (args.size() != 1 || (args[0] != '0' && args[0] != '1'))
        return std::nullopt;
    c.m.map.enabled = args[0] == '1';
    return c.ack();
}

Reply sourceSet(Context& c, std::string_view args) {
    return args.empty() ? std::nullopt : source(c, args);
}
Reply targetSet(Context& c, std::string_view args) {
    return args.empty() ? std::nullopt : target(c, args);
}

constexpr std::array kRoutes{
    Route{'@', "EA%", AnalogAlarm, enable},
    Route{'@', "DA", AnalogAlarm, disable},
    Route{'@', "CA", AnalogAlarm, clearLatch},
    Route{'@', "LO*", AnalogAlarm, setLimit<false>},
    Route{'@', "HI*", AnalogAlarm, setLimit<true>},
    Route{'@', "RL", AnalogAlarm, readLimit<false>},
    Route{'@', "RH", AnalogAlarm, readLimit<true>},
    Route{'@', "RE", AnalogAlarm, readEvents},
    Route{'@', "CE", AnalogAlarm, clearEvents},
    Route{'$', "3*", Led7016, led},
    Route{'$', "8*", Led7033, led},
    Route{'$', "6*", MapDollar, sourceSet},
    Route{'$', "7*", MapDollar, targetSet},
    Route{'$', "3", MapDollar, readSource},
    Route{'$', "5", MapDollar, readTarget},
    Route{'$', "A*", MapDollar, mapping},
    Route{'@', "6*", MapAt, source},
    Route{'@', "7*", MapAt, target},
    Route{'@', "A*", MapAt, mapping},
};

} // namespace

std::span<const Route> alarmRoutes() {
    return kRoutes;
}

} // namespace tev::sim
