#include <array>

#include "router.hpp"
#include "text.hpp"

namespace tev::sim {
namespace {

// Counter number of a 7080 command, or nothing.
Counter* CounterOf(Context& c, char digit) {
    if (digit != '0' && digit != '1')
        return nullptr;
    return &c.m.m7080.counters[static_cast<std::size_t>(digit - '0')];
}

// A counter digit followed by eight hex digits.
std::optional<std::uint32_t> Value32(std::string_view args) {
    return args.size() == 9 ? text::ParseHex(args.substr(1)) : std::nullopt;
}

Reply ReadCount(Context& c, std::string_view args) {
    const Counter* k = CounterOf(c, args[0]);
    if (k == nullptr)
        return std::nullopt;
    const bool frequency = c.m.type == 0x51;
    return ">" + text::Hex(frequency ? (k->counting ? k->pulsesPerSecond : 0) : k->value, 8);
}

Reply MaxValue(Context& c, std::string_view args) {
    Counter* k = CounterOf(c, args[0]);
    if (k == nullptr)
        return std::nullopt;
    if (args.size() == 1)
        return c.ack(text::Hex(k->max, 8));
    const auto v = Value32(args);
    if (!v)
        return std::nullopt;
    k->max = *v;
    return c.ack();
}

template <char Digit> Reply ReadLimit(Context& c, std::string_view) {
    return c.ack(text::Hex(CounterOf(c, Digit)->alarmLimit, 8));
}

template <char Digit> Reply SetLimit(Context& c, std::string_view args) {
    const auto v = args.size() == 8 ? text::ParseHex(args) : std::nullopt;
    if (!v)
        return std::nullopt;
    CounterOf(c, Digit)->alarmLimit = *v;
    return c.ack();
}

// "@AAEAc" enables the alarm of counter c; "@AAEAM" / "@AAEAL" (7080D) that of counter 0 as
// momentary or latched.
Reply EnableAlarm(Context& c, std::string_view args) {
    if (args[0] == 'M' || args[0] == 'L') {
        c.m.m7080.alarmKind = args[0];
        c.m.m7080.counters[0].alarmEnabled = true;
        return c.ack();
    }
    Counter* k = CounterOf(c, args[0]);
    if (k == nullptr)
        return std::nullopt;
    k->alarmEnabled = true;
    return c.ack();
}

Reply DisableAlarm(Context& c, std::string_view args) {
    for (std::size_t i = 0; i < 2; ++i) {
        if (args.empty() || args[0] - '0' == static_cast<int>(i)) {
            c.m.m7080.counters[i].alarmEnabled = false;
            c.m.doBits &= ~(1u << i);
        }
    }
    return (args.empty() || CounterOf(c, args[0]) != nullptr) ? std::optional(c.ack()) : std::nullopt;
}

Reply ReadStatus(Context& c, std::string_view args) {
    Counter* k = CounterOf(c, args[0]);
    if (k == nullptr)
        return std::nullopt;
    if (args.size() == 1)
        return c.ack(k->counting ? "1" : "0");
    if (args[1] != '0' && args[1] != '1')
        return std::nullopt;
    k->counting = args[1] == '1';
    return c.ack();
}

Reply Clear(Context& c, std::string_view args) {
    Counter* k = CounterOf(c, args[0]);
    if (k == nullptr)
        return std::nullopt;
    k->value = k->preset;
    return c.ack();
}

Reply Preset(Context& c, std::string_view args) {
    Counter* k = CounterOf(c, args[0]);
    const auto v = Value32(args);
    if (k == nullptr || !v)
        return std::nullopt;
    k->preset = *v;
    return c.ack();
}

Reply ReadPreset(Context& c, std::string_view args) {
    const Counter* k = CounterOf(c, args[0]);
    return k ? std::optional(c.ack(text::Hex(k->preset, 8))) : std::nullopt;
}

// A one-digit setting read with no argument and written with one digit up to `Max`.
template <std::uint8_t Module7080::*Field, char Max> Reply DigitSetting(Context& c, std::string_view args) {
    auto& field = c.m.m7080.*Field;
    if (args.empty())
        return c.ack(std::string(1, static_cast<char>('0' + field)));
    if (args[0] < '0' || args[0] > Max)
        return std::nullopt;
    field = static_cast<std::uint8_t>(args[0] - '0');
    return c.ack();
}

int LowHigh(char s) {
    return s == 'L' ? 0 : s == 'H' ? 1 : -1;
}

// Trigger level in 0.1 V, 0.0-5.0 V: "$AA1L" reads, "$AA1L25" writes.
Reply Level(Context& c, std::string_view args) {
    const int i = LowHigh(args[0]);
    if (i < 0)
        return std::nullopt;
    auto& lv = c.m.m7080.levels[static_cast<std::size_t>(i)];
    if (args.size() == 1)
        return c.ack(text::Fixed(lv, 2, 0, false));
    const auto v = args.size() == 3 ? text::ParseDec(args.substr(1)) : std::nullopt;
    if (!v || *v > 50)
        return std::nullopt;
    lv = static_cast<std::uint8_t>(*v);
    return c.ack();
}

// Minimum signal width in microseconds: "$AA0L" reads, "$AA0L00100" writes.
Reply Width(Context& c, std::string_view args) {
    const int i = LowHigh(args[0]);
    if (i < 0)
        return std::nullopt;
    auto& w = c.m.m7080.widths[static_cast<std::size_t>(i)];
    if (args.size() == 1)
        return c.ack(text::Fixed(w, 5, 0, false));
    const auto v = args.size() == 6 ? text::ParseDec(args.substr(1)) : std::nullopt;
    if (!v || *v > 65535)
        return std::nullopt;
    w = *v;
    return c.ack();
}

Reply Led(Context& c, std::string_view args) {
    if (args.size() != 6)
        return std::nullopt;
    c.m.m7080.led = std::string(args);
    return c.ack();
}

constexpr std::array kRoutes{
    Route{'#', "%", Counter7080, ReadCount},
    Route{'$', "3%*", Counter7080, MaxValue},
    Route{'@', "RP", Counter7080, ReadLimit<'0'>},
    Route{'@', "RA", Counter7080, ReadLimit<'1'>},
    Route{'@', "PA*", Counter7080, SetLimit<'0'>},
    Route{'@', "SA*", Counter7080, SetLimit<'1'>},
    Route{'@', "EA%", Counter7080, EnableAlarm},
    Route{'@', "DA*", Counter7080, DisableAlarm},
    Route{'$', "5%*", Counter7080, ReadStatus},
    Route{'$', "6%", Counter7080, Clear},
    Route{'@', "P%*", Counter7080, Preset},
    Route{'@', "G%", Counter7080, ReadPreset},
    Route{'$', "B*", Counter7080, DigitSetting<&Module7080::inputMode, '2'>},
    Route{'~', "A*", Counter7080, DigitSetting<&Module7080::moduleMode, '1'>},
    Route{'$', "A*", Counter7080, DigitSetting<&Module7080::gateMode, '2'>},
    Route{'$', "1%*", Counter7080, Level},
    Route{'$', "0%*", Counter7080, Width},
    Route{'$', "9*", Counter7080, Led},
};

} // namespace

std::span<const Route> CounterRoutes() {
    return kRoutes;
}

} // namespace tev::sim
