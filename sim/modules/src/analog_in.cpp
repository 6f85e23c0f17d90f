#include "analog_in.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "router.hpp"
#include "text.hpp"

namespace tev::sim {
namespace {

double fullScale(const TypeRange& r) {
    return std::max(std::fabs(r.low), std::fabs(r.high));
}

std::string hexReading(double v, const TypeRange& r) {
    const double raw = std::clamp(std::round(v / fullScale(r) * 32767.0), -32768.0, 32767.0);
    return text::hex(static_cast<std::uint16_t>(static_cast<std::int16_t>(raw)), 4);
}

// Readings of a mapped input (7014, 7016 with linear mapping on).
std::optional<double> mapped(const Module& m, double v) {
    if (!m.map.enabled)
        return std::nullopt;
    const auto sl = text::parseNumber(m.map.source.substr(0, 7)),
               sh = text::parseNumber(m.map.source.substr(7));
    const auto tl = text::parseNumber(m.map.target.substr(0, 7)),
               th = text::parseNumber(m.map.target.substr(7));
    if (!sl || !sh || !tl || !th || *sh <= *sl)
        return std::nullopt;
    return *tl + (v - *sl) * (*th - *tl) / (*sh - *sl);
}

bool channelArg(const Module& m, std::string_view args, int& channel) {
    if (args.size() != 1 || args[0] < '0' || args[0] > '9')
        return false;
    channel = args[0] - '0';
    return channel < m.spec->aiChannels;
}

Reply readSingle(Context& c, std::string_view) {
    return ">" + readingText(c.m, 0, c.now, false);
}

Reply readChannel(Context& c, std::string_view args) {
    int ch = 0;
    if (!channelArg(c.m, args, ch))
        return std::nullopt;
    return ">" + readingText(c.m, ch, c.now, false);
}

Reply scan(Context& c, std::string_view) {
    std::string out = ">";
    for (int ch = 0; ch < c.m.spec->aiChannels; ++ch)
        out += readingText(c.m, ch, c.now, true);
    return out;
}

Reply hexScan(Context& c, std::string_view) {
    const TypeRange* r = findRange(c.m.type);
    if (r == nullptr)
        return std::nullopt;
    std::string out = ">";
    for (int ch = 0; ch < c.m.spec->aiChannels; ++ch)
        out += hexReading(inputValue(c.m, ch, c.now), *r);
    return out;
}

// Open thermocouple: the input is beyond the top of its range (a broken wire drives it there).
Reply thermocoupleOpen(Context& c, std::string_view) {
    const TypeRange* r = findRange(c.m.type);
    const bool open = r != nullptr && inputValue(c.m, 0, c.now) > r->high;
    return c.ack(open ? "1" : "0");
}

constexpr std::array kRoutes{
    Route{'#', "", AiSingle, readSingle},  Route{'#', "", AiMulti, scan},
    Route{'#', "%", AiMulti, readChannel}, Route{'$', "%", AiDollarRead, readChannel},
    Route{'$', "A", AiHexScan, hexScan},   Route{'$', "B", TcOpen, thermocoupleOpen},
};

} // namespace

double inputValue(const Module& m, int channel, std::int64_t now) {
    return valueAt(m.inputs[static_cast<std::size_t>(channel) % m.inputs.size()], now);
}

std::string magnitudeText(double v) {
    const double a = std::fabs(v);
    const int decimals = a >= 1000 ? 1 : a >= 100 ? 2 : a >= 10 ? 3 : 4;
    return text::fixed(v, 7, decimals, true).substr(0, 7);
}

std::string readingText(const Module& m, int channel, std::int64_t now, bool scanField) {
    const TypeRange* r = findRange(m.type);
    if (r == nullptr)
        return scanField ? "+9999.9" : "+9999";
    const double v = inputValue(m, channel, now);
    const auto format = static_cast<DataFormat>(m.format & 0x3);
    if (format == DataFormat::Hex)
        return hexReading(v, *r);
    if (v > r->high)
        return scanField ? "+9999.9" : "+9999";
    if (v < r->low)
        return scanField ? "-9999.9" : "-0000";
    if (const auto target = mapped(m, v))
        return magnitudeText(*target);
    if (format == DataFormat::PercentOfRange)
        return text::fixed(v / fullScale(*r) * 100.0, 7, 2, true);
    return text::fixed(v, 7, r->decimals, true).substr(0, 7);
}

std::span<const Route> analogInRoutes() {
    return kRoutes;
}

} // namespace tev::sim
