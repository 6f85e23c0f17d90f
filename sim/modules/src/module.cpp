#include "module.hpp"

namespace tev::sim {
namespace {

void StartInputs(Module& m) {
    const TypeRange* r = FindRange(m.type);
    if (r == nullptr)
        return;
    const double span = r->high - r->low;
    for (std::size_t c = 0; c < m.spec->aiChannels && c < m.inputs.size(); ++c) {
        auto& in = m.inputs[c];
        in.base = r->low + span * (0.55 + 0.04 * static_cast<double>(c));
        in.amplitude = span * 0.02;
        in.periodMs = 20000 + 3000 * static_cast<std::int64_t>(c);
    }
}

void AdvanceCounters(Module& m, std::int64_t now) {
    for (auto& c : m.m7080.counters) {
        if (c.counting && now > c.last) {
            const auto pulses = now * c.pulsesPerSecond / 1000 - c.last * c.pulsesPerSecond / 1000;
            const auto next = static_cast<std::uint64_t>(c.value) + static_cast<std::uint64_t>(pulses);
            c.value = next > c.max ? c.preset : static_cast<std::uint32_t>(next);
        }
        c.last = now;
    }
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& c = m.m7080.counters[i];
        const bool on = c.alarmEnabled && c.value >= c.alarmLimit;
        if (on)
            m.doBits |= 1u << i;
        else if (c.alarmEnabled && m.m7080.alarmKind == 'M')
            m.doBits &= ~(1u << i);
    }
}

void AdvanceAlarm(Module& m, std::int64_t now) {
    auto& a = m.alarm;
    if (a.mode == 0)
        return;
    const double v = ValueAt(m.inputs[0], now);
    const bool low = v<a.low, high = v> a.high;
    a.lowActive = a.mode == 2 ? (a.lowActive || low) : low;
    a.highActive = a.mode == 2 ? (a.highActive || high) : high;
    m.doBits = (a.lowActive ? 1u : 0u) | (a.highActive ? 2u : 0u);
}

void AdvanceWatchdog(Module& m, std::int64_t now) {
    auto& w = m.watchdog;
    if (!w.enabled || w.timedOut)
        return;
    if (now - w.lastHostOk > static_cast<std::int64_t>(w.tenths) * 100) {
        w.timedOut = true;
        m.doBits = m.doSafe;
        for (auto& o : m.outputs)
            o.value = o.safe;
    }
}

} // namespace

Module MakeModule(const ModelSpec& spec, std::uint8_t address, bool checksum,
                  std::optional<std::uint8_t> typeCode, DataFormat format) {
    Module m;
    m.spec = &spec;
    m.address = address;
    m.checksum = m.pendingChecksum = checksum;
    m.type = typeCode.value_or(spec.typeCode);
    m.format = static_cast<std::uint8_t>((checksum ? 0x40 : 0) | static_cast<std::uint8_t>(format));
    m.m7080.counters[1].pulsesPerSecond = 1;
    StartInputs(m);
    return m;
}

void Rebase(Module& m, std::int64_t now) {
    m.di.last = now;
    if (!m.di.pinned) { // pinned inputs keep their level across a new clock or a power-on
        m.di.bits = 0;
        for (int c = 0; c < m.spec->diBits; ++c)
            if (now % WavePeriodMs(c) < WavePeriodMs(c) / 2)
                m.di.bits |= 1u << c;
    }
    for (auto& c : m.m7080.counters)
        c.last = now;
    m.watchdog.lastHostOk = now;
    for (auto& card : m.cards)
        Rebase(card, now);
}

void Advance(Module& m, std::int64_t now) {
    Advance(m.di, m.spec->diBits, now);
    AdvanceWatchdog(m, now);
    if (m.watchdog.timedOut)
        return; // outputs stay at their safe values
    if (m.spec->features & Counter7080)
        AdvanceCounters(m, now);
    if (m.spec->features & AnalogAlarm)
        AdvanceAlarm(m, now);
}

void PowerUp(Module& m, std::int64_t now) {
    m.checksum = m.pendingChecksum;
    m.baud = m.pendingBaud;
    m.doBits = m.doPowerOn;
    for (auto& o : m.outputs)
        o.value = o.powerOn;
    m.resetFlag = true;
    m.watchdog.timedOut = false;
    m.alarm.lowActive = m.alarm.highActive = false;
    Rebase(m, now);
    for (auto& card : m.cards)
        PowerUp(card, now);
}

} // namespace tev::sim
