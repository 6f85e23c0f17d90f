#include "analog_out.hpp"

#include <array>

#include "text.hpp"

namespace tev::sim {
namespace {

bool SevenCharForm(const Module& m) {
    return m.spec->aoForm == AoForm::Signed7 || m.spec->aoForm == AoForm::Excite;
}

const TypeRange& OutputRange(const Module& m) {
    static constexpr TypeRange kExcitation{0, 10, 3};
    const TypeRange* r = FindRange(m.type);
    return (r == nullptr || m.spec->aoForm == AoForm::Excite) ? kExcitation : *r;
}

// 7021 data: "dd.ddd" engineering, "+ddd.dd" percent of range or "hhh" of 0xFFF.
std::optional<double> SingleOutputValue(const Module& m, std::string_view s) {
    const TypeRange& r = OutputRange(m);
    if (s.size() == 6 && s[2] == '.')
        return text::ParseNumber(s);
    if (s.size() == 7 && s[0] == '+' && s[4] == '.') {
        const auto pct = text::ParseNumber(s);
        if (!pct)
            return std::nullopt;
        return r.low + *pct / 100.0 * (r.high - r.low);
    }
    if (s.size() == 3) {
        const auto h = text::ParseHex(s);
        if (!h)
            return std::nullopt;
        return r.low + static_cast<double>(*h) / 4095.0 * (r.high - r.low);
    }
    return std::nullopt;
}

Reply Write(Context& c, std::string_view args) {
    if (c.m.spec->aoForm == AoForm::Digits5) {
        const auto v = SingleOutputValue(c.m, args);
        if (!v)
            return std::nullopt;
        return SetOutput(c, 0, text::Fixed(*v, 7, 4, true));
    }
    if (args.empty())
        return std::nullopt;
    const int ch = OutputChannel(c.m, args[0]);
    const auto value = args.substr(1);
    const bool shapeOk = SevenCharForm(c.m) ? value.size() == 7 : value.size() == 6;
    if (ch < 0 || !shapeOk)
        return std::nullopt;
    return SetOutput(c, ch, value);
}

Reply ReadSingle(Context& c, std::string_view) {
    return c.ack(OutputText(c.m, 0, SevenCharForm(c.m)));
}

Reply ReadChannel(Context& c, std::string_view args) {
    const int ch = args.size() == 1 ? OutputChannel(c.m, args[0]) : -1;
    if (ch < 0)
        return std::nullopt;
    return c.ack(OutputText(c.m, ch, SevenCharForm(c.m)));
}

Reply ReadAny(Context& c, std::string_view args) {
    return c.m.spec->aoChannels == 1 ? (args.empty() ? ReadSingle(c, args) : std::nullopt)
                                     : ReadChannel(c, args);
}

Reply Excite(Context& c, std::string_view args) {
    if (args.size() != 7)
        return std::nullopt;
    const auto r = SetOutput(c, 0, args);
    return r ? std::optional<std::string>(c.ack()) : std::nullopt;
}

constexpr std::array kRoutes{
    Route{'$', "7*", AoExcite, Excite},
    Route{'$', "6", AoExcite, ReadSingle},
    Route{'#', "*", AoOut, Write},
    // "$AA6" the last value written, "$AA8" the value the output drives; the same when healthy.
    Route{'$', "6C%", AoOut, ReadChannel},
    Route{'$', "8C%", AoOut, ReadChannel},
    Route{'$', "6*", AoOut, ReadAny},
    Route{'$', "8*", AoOut, ReadAny},
};

} // namespace

int OutputChannel(const Module& m, char digit) {
    const int ch = digit - '0';
    return (ch >= 0 && ch < m.spec->aoChannels) ? ch : -1;
}

std::string ValueText(const Module& m, double v) {
    return SevenCharForm(m) ? text::Fixed(v, 7, 3, true).substr(0, 7)
                            : text::Fixed(v, 6, 3, false).substr(0, 6);
}

std::string OutputText(const Module& m, int channel, bool sevenChars) {
    const double v = m.outputs[static_cast<std::size_t>(channel)].value;
    return sevenChars ? text::Fixed(v, 7, 3, true).substr(0, 7) : text::Fixed(v, 6, 3, false).substr(0, 6);
}

Reply SetOutput(Context& c, int channel, std::string_view value) {
    const auto v = text::ParseNumber(value);
    const TypeRange& r = OutputRange(c.m);
    if (!v || *v < r.low - 1e-9 || *v > r.high + 1e-9)
        return std::nullopt;
    if (c.m.watchdog.timedOut)
        return "!";
    c.m.outputs[static_cast<std::size_t>(channel)].value = *v;
    return ">";
}

std::span<const Route> AnalogOutRoutes() {
    return kRoutes;
}

} // namespace tev::sim
