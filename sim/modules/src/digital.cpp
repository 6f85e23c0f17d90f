#include <array>

#include "router.hpp"
#include "text.hpp"

namespace tev::sim {
namespace {

std::uint32_t OutputMask(const Module& m) {
    return m.spec->doBits >= 32 ? 0xFFFFFFFFu : (1u << m.spec->doBits) - 1u;
}

// Hex digits that carry the output port in a port write.
std::size_t PortDigits(const Module& m) {
    const int bits = m.spec->doBits;
    return bits <= 4 ? 1 : bits <= 8 ? 2 : bits <= 16 ? 4 : 8;
}

// The data of a port read: six characters, eight for the wide 8000 cards.
std::string PortField(PortLayout layout, std::uint32_t out, std::uint32_t in) {
    using text::Hex;
    switch (layout) {
    case PortLayout::OutIn:
        return Hex(out, 2) + Hex(in, 2) + "00";
    case PortLayout::Out16:
        return Hex(out, 4) + "00";
    case PortLayout::In16:
        return Hex(in, 4) + "00";
    case PortLayout::In8:
        return Hex(in, 2) + "0000";
    case PortLayout::OutIn16:
        return Hex(out, 4) + Hex(in, 4);
    case PortLayout::In32:
        return Hex(in, 8);
    case PortLayout::Out32:
        return Hex(out, 8);
    case PortLayout::OutNibIn:
        return Hex(out, 1) + "00" + Hex(in, 1) + "00";
    case PortLayout::None:
        break;
    }
    return "000000";
}

Reply SetPort(Context& c, std::uint32_t value) {
    if (c.m.spec->doBits == 0 || (value & ~OutputMask(c.m)) != 0)
        return std::nullopt;
    if (c.m.watchdog.timedOut)
        return "!"; // outputs held at their safe value
    c.m.doBits = value;
    return ">";
}

Reply SetBit(Context& c, int bit, char state) {
    if (bit < 0 || bit >= c.m.spec->doBits || (state != '0' && state != '1'))
        return std::nullopt;
    const std::uint32_t next = state == '1' ? c.m.doBits | 1u << bit : c.m.doBits & ~(1u << bit);
    return SetPort(c, next);
}

int HexDigit(char ch) {
    const auto v = text::ParseHex(std::string_view(&ch, 1));
    return v ? static_cast<int>(*v) : -1;
}

Reply WritePort(Context& c, std::string_view args) {
    const auto v = text::ParseHex(args);
    if (!v || args.size() != PortDigits(c.m))
        return std::nullopt;
    return SetPort(c, *v);
}

Reply ReadPort(Context& c, std::string_view) {
    return "!" + PortField(c.m.spec->layout, c.m.doBits, c.m.di.bits);
}

// "#AA1b0s": one output of an 8-bit port.
Reply WriteBit(Context& c, std::string_view args) {
    if (c.m.spec->features & BitGroups)
        return std::nullopt;
    return SetBit(c, HexDigit(args[0]), args[1]);
}

// "#AAAb0s" / "#AABb0s": one output of the low or high byte.
Reply WriteBitLow(Context& c, std::string_view args) {
    if (!(c.m.spec->features & BitGroups) || args[0] > '7')
        return std::nullopt;
    return SetBit(c, HexDigit(args[0]), args[1]);
}

Reply WriteBitHigh(Context& c, std::string_view args) {
    if (!(c.m.spec->features & BitGroups) || args[0] > '7')
        return std::nullopt;
    const int b = HexDigit(args[0]);
    return SetBit(c, b < 0 ? -1 : b + 8, args[1]);
}

int CounterChannel(const Module& m, std::string_view args) {
    const int ch = HexDigit(args[0]);
    return ch < m.spec->diBits ? ch : -1;
}

Reply ReadCounter(Context& c, std::string_view args) {
    const int ch = CounterChannel(c.m, args);
    if (ch < 0)
        return std::nullopt;
    return c.ack(text::Fixed(c.m.di.counts[static_cast<std::size_t>(ch)], 5, 0, false));
}

Reply ClearCounter(Context& c, std::string_view args) {
    const int ch = CounterChannel(c.m, args);
    if (ch < 0)
        return std::nullopt;
    c.m.di.counts[static_cast<std::size_t>(ch)] = 0;
    return c.ack();
}

Reply ReadLatch(Context& c, std::string_view args) {
    if (args[0] != '0' && args[0] != '1')
        return std::nullopt;
    return "!" + PortField(c.m.spec->layout, 0, args[0] == '1' ? c.m.di.latchHigh : c.m.di.latchLow);
}

Reply ClearLatch(Context& c, std::string_view) {
    c.m.di.latchHigh = c.m.di.latchLow = 0;
    return c.ack();
}

// "@AADOvv" (two outputs of an analog or counter module) or "@AADOsN" (one output of a 7016).
Reply WriteSmallPort(Context& c, std::string_view args) {
    std::uint32_t next = 0;
    if (c.m.spec->features & Do7016) {
        const int ch = args[1] - '0';
        if ((args[0] != '0' && args[0] != '1') || ch < 0 || ch >= c.m.spec->doBits)
            return std::nullopt;
        next = args[0] == '1' ? c.m.doBits | 1u << ch : c.m.doBits & ~(1u << ch);
    } else {
        const auto v = text::ParseHex(args);
        if (!v || *v > OutputMask(c.m))
            return std::nullopt;
        next = *v;
    }
    // An enabled alarm drives the outputs; the write is acknowledged and ignored.
    const bool alarmOwns =
        c.m.alarm.mode != 0 || c.m.m7080.counters[0].alarmEnabled || c.m.m7080.counters[1].alarmEnabled;
    if (!alarmOwns && !c.m.watchdog.timedOut)
        c.m.doBits = next;
    return c.ack();
}

// "@AADI": alarm state, the outputs and the inputs of an analog or counter module.
Reply ReadSmallPort(Context& c, std::string_view) {
    const auto& m = c.m;
    int state = m.alarm.mode;
    if (m.spec->features & Counter7080)
        state = (m.m7080.counters[0].alarmEnabled ? 1 : 0) | (m.m7080.counters[1].alarmEnabled ? 2 : 0);
    std::string data = text::Hex(static_cast<std::uint32_t>(state), 1);
    if (m.spec->features & Do7016)
        data += "0" + text::Hex(m.doBits, 1);
    else
        data += std::string(1, (m.doBits & 2) ? '1' : '0') + ((m.doBits & 1) ? '1' : '0');
    data += "0" + text::Hex(m.di.bits, 1);
    return c.ack(data);
}

// 8000 card port write "#AASs00" and two or four digits.
Reply CardWritePort(Context& c, std::string_view args) {
    const auto v = text::ParseHex(args);
    const std::size_t digits = c.m.spec->doBits <= 8 ? 2 : 4;
    if (!v || args.size() != digits || c.m.spec->doBits > 16)
        return std::nullopt;
    return SetPort(c, *v);
}

// 8000 card bit write "@AASsSCbbs": bit as two hex digits, then the state.
Reply CardWriteBit(Context& c, std::string_view args) {
    const auto bit = text::ParseHex(args.substr(0, 2));
    return bit ? SetBit(c, static_cast<int>(*bit), args[2]) : std::nullopt;
}

Reply CardReadPort(Context& c, std::string_view) {
    return c.ack(PortField(c.m.spec->layout, c.m.doBits, c.m.di.bits));
}

constexpr std::array kRoutes{
    Route{'@', "DO%%", DoAnalog | Do7016, WriteSmallPort},
    Route{'@', "DI", DoAnalog | Do7016, ReadSmallPort},
    Route{'@', "*", DioPort, WritePort},
    Route{'$', "6", DioPort, ReadPort},
    Route{'#', "1%0%", DioPort, WriteBit},
    Route{'#', "A%0%", DioPort, WriteBitLow},
    Route{'#', "B%0%", DioPort, WriteBitHigh},
    Route{'#', "%", DiCount, ReadCounter},
    Route{'$', "C%", DiCount, ClearCounter},
    Route{'$', "L%", DiLatch, ReadLatch},
    Route{'$', "C", DiLatch | DioPort, ClearLatch},
    // 8000 digital cards, after "Ss"
    Route{'@', "SC%%%", CardDio, CardWriteBit},
    Route{'@', "*", CardDio, WritePort},
    Route{'#', "00*", CardDio, CardWritePort},
    Route{'#', "1%0%", CardDio, WriteBit},
    Route{'$', "6", CardDio, CardReadPort},
};

} // namespace

std::span<const Route> DigitalRoutes() {
    return kRoutes;
}

} // namespace tev::sim
