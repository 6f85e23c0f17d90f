#include "analog_in.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "router.hpp"
#include "text.hpp"

namespace tev::sim {
namespace {

double FullScale(const TypeRange& r) {
    return std::max(std::fabs(r.low), std::fabs(r.high));
}

std::string HexReading(double v, const TypeRange& r) {
    const double raw = std::clamp(std::round(v / FullScale(r) * 32767.0), -32768.0, 32767.0);
    return text::Hex(static_cast<std::uint16_t>(static_cast<std::int16_t>(raw)), 4);
}

// Readings of a mapped input (7014, 7016 with linear mapping on).
std::optional<double> Mapped(const Module& m, double v) {
    if (!m.map.enabled)
        return std::nullopt;
    const auto sl = text::ParseNumber(m.map.source.substr(0, 7)),
               sh = text::ParseNumber(m.map.source.substr(7));
    const auto tl = text::ParseNumber(m.map.target.substr(0, 7)),
               th = text::ParseNumber(m.map.target.substr(7));
    if (!sl || !sh || !tl || !th || *sh <= *sl)
        return std::nullopt;
    return *tl + (v - *sl) * (*th - *tl) / (*sh - *sl);
}

bool ChannelArg(const Module& m, std::string_view args, int& channel) {
    if (args.size() != 1 || args[0] < '0' || args[0] > '9')
        return false;
    channel = args[0] - '0';
    return channel < m.spec->aiChannels;
}

Reply ReadSingle(Context& c, std::string_view) {
    return ">" + ReadingText(c.m, 0, c.now, false);
}

Reply ReadChannel(Context& c, std::string_view args) {
    int ch = 0;
    if (!ChannelArg(c.m, args, ch))
        return std::nullopt;
    return ">" + ReadingText(c.m, ch, c.now, false);
}

Reply Scan(Context& c, std::string_view) {
    std::string out = ">";
    for (int ch = 0; ch < c.m.spec->aiChannels; ++ch)
        out += ReadingText(c.m, ch, c.now, true);
    return out;
}

Reply HexScan(Context& c, std::string_view) {
    const TypeRange* r = FindRange(c.m.type);
    if (r == nullptr)
        return std::nullopt;
    std::string out = ">";
    for (int ch = 0; ch < c.m.spec->aiChannels; ++ch)
        out += HexReading(InputValue(c.m, ch, c.now), *r);
    return out;
}

// Open thermocouple: the input is beyond the top of its range (a broken wire drives it there).
Reply ThermocoupleOpen(Context& c, std::string_view) {
    const TypeRange* r = FindRange(c.m.type);
    const bool open = r != nullptr && InputValue(c.m, 0, c.now) > r->high;
    return c.ack(open ? "1" : "0");
}

constexpr std::array kRoutes{
    Route{'#', "", AiSingle, ReadSingle},  Route{'#', "", AiMulti, Scan},
    Route{'#', "%", AiMulti, ReadChannel}, Route{'$', "%", AiDollarRead, ReadChannel},
    Route{'$', "A", AiHexScan, HexScan},   Route{'$', "B", TcOpen, ThermocoupleOpen},
};

} // namespace

double InputValue(const Module& m, int channel, std::int64_t now) {
    return ValueAt(m.inputs[static_cast<std::size_t>(channel) % m.inputs.size()], now);
}

std::string MagnitudeText(double v) {
    const double a = std::fabs(v);
    const int decimals = a >= 1000 ? 1 : a >= 100 ? 2 : a >= 10 ? 3 : 4;
    return text::Fixed(v, 7, decimals, true).substr(0, 7);
}

std::string ReadingText(const Module& m, int channel, std::int64_t now, bool scanField) {
    const TypeRange* r = FindRange(m.type);
    if (r == nullptr)
        return scanField ? "+9999.9" : "+9999";
    const double v = InputValue(m, channel, now);
    const auto format = static_cast<DataFormat>(m.format & 0x3);
    if (format == DataFormat::Hex)
        return HexReading(v, *r);
    if (v > r->high)
        return scanField ? "+9999.9" : "+9999";
    if (v < r->low)
        return scanField ? "-9999.9" : "-0000";
    if (const auto target = Mapped(m, v))
        return MagnitudeText(*target);
    if (format == DataFormat::PercentOfRange)
        return text::Fixed(v / FullScale(*r) * 100.0, 7, 2, true);
    return text::Fixed(v, 7, r->decimals, true).substr(0, 7);
}

std::span<const Route> AnalogInRoutes() {
    return kRoutes;
}

} // namespace tev::sim
