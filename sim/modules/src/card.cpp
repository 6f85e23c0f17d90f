#include <array>

#include "analog_in.hpp"
#include "analog_out.hpp"
#include "router.hpp"
#include "text.hpp"

namespace tev::sim {
namespace {

// "S" and a slot digit: the rest of the command goes to the card in that slot.
template <char Lead> Reply ToCard(Context& c, std::string_view args) {
    const int slot = args[0] - '0';
    for (auto& card : c.m.cards) {
        if (card.slot != slot)
            continue;
        Context inner{card, c.now, c.addr};
        return Dispatch(inner, Lead, args.substr(1));
    }
    return std::nullopt;
}

int AiChannel(const Module& m, char digit) {
    const int ch = digit - '0';
    return (ch >= 0 && ch < m.spec->aiChannels) ? ch : -1;
}

// Low (0) or high (1) alarm of a selector character.
int Side(char s) {
    return s == 'L' ? 0 : s == 'H' ? 1 : -1;
}

Reply Scan(Context& c, std::string_view) {
    std::string out = ">";
    for (int ch = 0; ch < c.m.spec->aiChannels; ++ch)
        out += ReadingText(c.m, ch, c.now, true);
    return out;
}

Reply ReadChannel(Context& c, std::string_view args) {
    const int ch = AiChannel(c.m, args[0]);
    if (ch < 0)
        return std::nullopt;
    return ">" + ReadingText(c.m, ch, c.now, false);
}

// "#" reads a channel of the voltage cards; the 8033 takes "$" instead.
Reply ReadHashChannel(Context& c, std::string_view args) {
    return (c.m.spec->features & AiDollarRead) ? std::nullopt : ReadChannel(c, args);
}

Reply WriteOutput(Context& c, std::string_view args) {
    if (args.size() != 8)
        return std::nullopt;
    const int ch = OutputChannel(c.m, args[0]);
    return ch < 0 ? std::nullopt : SetOutput(c, ch, args.substr(1));
}

Reply ReadOutput(Context& c, std::string_view args) {
    const int ch = OutputChannel(c.m, args[0]);
    if (ch < 0)
        return std::nullopt;
    return c.ack(OutputText(c.m, ch, true));
}

Reply OutputConfig(Context& c, std::string_view args) {
    if (OutputChannel(c.m, args[0]) < 0)
        return std::nullopt;
    return c.ack(text::Hex(c.m.type, 2) + text::Hex(c.m.format, 2));
}

Reply StoreStartUp(Context& c, std::string_view args) {
    const int ch = OutputChannel(c.m, args[0]);
    if (ch < 0)
        return std::nullopt;
    auto& o = c.m.outputs[static_cast<std::size_t>(ch)];
    o.powerOn = o.value;
    return c.ack();
}

// Alarm commands name a channel and a side; nothing when either is invalid.
CardAlarm* AlarmOf(Context& c, std::string_view args, int& s) {
    const int ch = AiChannel(c.m, args[0]);
    s = Side(args[1]);
    return (ch < 0 || s < 0) ? nullptr : &c.m.cardAlarms[static_cast<std::size_t>(ch)];
}

// Brings the alarm of `args` (channel, side) up to the present reading.
void Evaluate(Context& c, char channel, CardAlarm& a) {
    const double v = InputValue(c.m, channel - '0', c.now);
    for (std::size_t s = 0; s < 2; ++s) {
        const bool beyond = s == 0 ? v < a.limit[0] : v > a.limit[1];
        a.active[s] = a.mode[s] == 'D' ? false : a.mode[s] == 'L' ? (a.active[s] || beyond) : beyond;
    }
}

Reply ConnectAlarm(Context& c, std::string_view args) {
    int s = 0;
    CardAlarm* a = AlarmOf(c, args, s);
    const auto target = args.substr(2);
    const bool none = target == "S*C*";
    const bool valid = target.size() == 4 && target[0] == 'S' && target[2] == 'C' && target[1] >= '0' &&
                       target[1] <= '7' && text::ParseHex(target.substr(3, 1));
    if (a == nullptr || !(none || valid))
        return std::nullopt;
    a->connect[static_cast<std::size_t>(s)] = std::string(target);
    return c.ack();
}

Reply EnableAlarm(Context& c, std::string_view args) {
    int s = 0;
    CardAlarm* a = AlarmOf(c, args, s);
    if (a == nullptr || (args[2] != 'D' && args[2] != 'E'))
        return std::nullopt;
    char& mode = a->mode[static_cast<std::size_t>(s)];
    mode = args[2] == 'D' ? 'D' : (mode == 'D' ? 'M' : mode);
    return c.ack();
}

Reply SetAlarmKind(Context& c, std::string_view args) {
    int s = 0;
    CardAlarm* a = AlarmOf(c, args, s);
    if (a == nullptr || (args[2] != 'M' && args[2] != 'L'))
        return std::nullopt;
    a->mode[static_cast<std::size_t>(s)] = args[2];
    return c.ack();
}

Reply ReadAlarmMode(Context& c, std::string_view args) {
    int s = 0;
    CardAlarm* a = AlarmOf(c, args, s);
    if (a == nullptr)
        return std::nullopt;
    return c.ack(std::string(1, a->mode[static_cast<std::size_t>(s)]));
}

Reply SetLimit(Context& c, std::string_view args) {
    int s = 0;
    CardAlarm* a = AlarmOf(c, args, s);
    const auto v = args.size() == 9 ? text::ParseNumber(args.substr(2)) : std::nullopt;
    if (a == nullptr || !v)
        return std::nullopt;
    a->limit[static_cast<std::size_t>(s)] = *v;
    return c.ack();
}

Reply ReadLimit(Context& c, std::string_view args) {
    int s = 0;
    CardAlarm* a = AlarmOf(c, args, s);
    if (a == nullptr)
        return std::nullopt;
    return c.ack(text::Fixed(a->limit[static_cast<std::size_t>(s)], 7, 2, true).substr(0, 7));
}

Reply ClearAlarm(Context& c, std::string_view args) {
    int s = 0;
    CardAlarm* a = AlarmOf(c, args, s);
    if (a == nullptr)
        return std::nullopt;
    a->active[static_cast<std::size_t>(s)] = false;
    Evaluate(c, args[0], *a);
    return c.ack();
}

Reply AlarmStatus(Context& c, std::string_view args) {
    const int ch = AiChannel(c.m, args[0]);
    if (ch < 0)
        return std::nullopt;
    auto& a = c.m.cardAlarms[static_cast<std::size_t>(ch)];
    Evaluate(c, args[0], a);
    return c.ack(std::string(a.active[0] ? "1" : "0") + (a.active[1] ? "1" : "0"));
}

constexpr std::array kRoutes{
    Route{'#', "S%*", Unit8K, ToCard<'#'>},
    Route{'$', "S%*", Unit8K, ToCard<'$'>},
    Route{'@', "S%*", Unit8K, ToCard<'@'>},
    // analog input cards, after "Ss"
    Route{'#', "", CardAi, Scan},
    Route{'$', "C%", AiDollarRead, ReadChannel},
    Route{'#', "C%", CardAi, ReadHashChannel},
    Route{'$', "C%A%C*", CardAi, ConnectAlarm},
    Route{'$', "C%A%U*", CardAi, SetLimit},
    Route{'$', "C%A%E%", CardAi, EnableAlarm},
    Route{'$', "C%A%%", CardAi, SetAlarmKind},
    Route{'$', "C%A%", CardAi, ReadAlarmMode},
    Route{'$', "C%R%U", CardAi, ReadLimit},
    Route{'$', "C%C%", CardAi, ClearAlarm},
    Route{'$', "C%S", CardAi, AlarmStatus},
    // analog output cards
    Route{'#', "C*", CardAo, WriteOutput},
    Route{'$', "C%6", CardAo, ReadOutput},
    Route{'$', "C%B", CardAo, OutputConfig},
    Route{'$', "C%4", CardAo, StoreStartUp},
};

} // namespace

std::span<const Route> CardRoutes() {
    return kRoutes;
}

} // namespace tev::sim
