#include <array>

#include "router.hpp"
#include "text.hpp"

namespace tev::sim {
namespace {

int TypeDecimals(const Module& m) {
    const TypeRange* r = FindRange(m.type);
    return r ? r->decimals : 3;
}

Reply Enable(Context& c, std::string_view args) {
    if (args[0] != 'M' && args[0] != 'L')
        return std::nullopt;
    c.m.alarm.mode = args[0] == 'M' ? 1 : 2;
    return c.ack();
}

Reply Disable(Context& c, std::string_view) {
    c.m.alarm = AnalogAlarmState{0, c.m.alarm.low, c.m.alarm.high};
    return c.ack();
}

Reply ClearLatch(Context& c, std::string_view) {
    c.m.alarm.lowActive = c.m.alarm.highActive = false;
    Advance(c.m, c.now); // a condition that still holds shows again at once
    return c.ack();
}

template <bool High> Reply SetLimit(Context& c, std::string_view args) {
    const auto v = args.size() == 7 ? text::ParseNumber(args) : std::nullopt;
    if (!v)
        return std::nullopt;
    (High ? c.m.alarm.high : c.m.alarm.low) = *v;
    return c.ack();
}

template <bool High> Reply ReadLimit(Context& c, std::string_view) {
    return c.ack(text::Fixed(High ? c.m.alarm.high : c.m.alarm.low, 7, TypeDecimals(c.m), true).substr(0, 7));
}

// The event counter counts rising edges of digital input 0.
Reply ReadEvents(Context& c, std::string_view) {
    return c.ack(text::Fixed(c.m.di.counts[0], 5, 0, false));
}

Reply ClearEvents(Context& c, std::string_view) {
    c.m.di.counts[0] = 0;
    return c.ack();
}

// LED display channel: "$AA3N" / "$AA8N" set it, "$AA3" / "$AA8" read it.
Reply Led(Context& c, std::string_view args) {
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
bool ValidPair(std::string_view s, bool ordered) {
    if (s.size() != 14)
        return false;
    const auto lo = text::ParseNumber(s.substr(0, 7)), hi = text::ParseNumber(s.substr(7));
    return lo && hi && (!ordered || *lo < *hi);
}

// "6" + source range sets it, "6" alone reads it (7016 form; the 7014 reads with "$AA3").
Reply Source(Context& c, std::string_view args) {
    if (args.empty())
        return c.ack(c.m.map.source);
    if (!ValidPair(args, true))
        return std::nullopt;
    c.m.map.source = std::string(args);
    return c.ack();
}

Reply AlarmTarget(Context& c, std::string_view args) {
    if (args.empty())
        return c.ack(c.m.map.target);
    if (!ValidPair(args, false))
        return std::nullopt;
    c.m.map.target = std::string(args);
    return c.ack();
}

Reply ReadSource(Context& c, std::string_view) {
    return c.ack(c.m.map.source);
}
Reply ReadTarget(Context& c, std::string_view) {
    return c.ack(c.m.map.target);
}

Reply Mapping(Context& c, std::string_view args) {
    if (args.empty())
        return c.ack(c.m.map.enabled ? "1" : "0");
    if (args.size() != 1 || (args[0] != '0' && args[0] != '1'))
        return std::nullopt;
    c.m.map.enabled = args[0] == '1';
    return c.ack();
}

Reply SourceSet(Context& c, std::string_view args) {
    return args.empty() ? std::nullopt : Source(c, args);
}
Reply TargetSet(Context& c, std::string_view args) {
    return args.empty() ? std::nullopt : AlarmTarget(c, args);
}

constexpr std::array kRoutes{
    Route{'@', "EA%", AnalogAlarm, Enable},
    Route{'@', "DA", AnalogAlarm, Disable},
    Route{'@', "CA", AnalogAlarm, ClearLatch},
    Route{'@', "LO*", AnalogAlarm, SetLimit<false>},
    Route{'@', "HI*", AnalogAlarm, SetLimit<true>},
    Route{'@', "RL", AnalogAlarm, ReadLimit<false>},
    Route{'@', "RH", AnalogAlarm, ReadLimit<true>},
    Route{'@', "RE", AnalogAlarm, ReadEvents},
    Route{'@', "CE", AnalogAlarm, ClearEvents},
    Route{'$', "3*", Led7016, Led},
    Route{'$', "8*", Led7033, Led},
    Route{'$', "6*", MapDollar, SourceSet},
    Route{'$', "7*", MapDollar, TargetSet},
    Route{'$', "3", MapDollar, ReadSource},
    Route{'$', "5", MapDollar, ReadTarget},
    Route{'$', "A*", MapDollar, Mapping},
    Route{'@', "6*", MapAt, Source},
    Route{'@', "7*", MapAt, AlarmTarget},
    Route{'@', "A*", MapAt, Mapping},
};

} // namespace

std::span<const Route> AlarmRoutes() {
    return kRoutes;
}

} // namespace tev::sim
