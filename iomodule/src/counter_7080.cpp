// 7080 counters: readings, maximum, preset and alarm limit values, alarms, status, clear and start.
// Module settings (modes, levels, widths, LED, configuration) are in counter_7080_settings.cpp.
#include "counter_7080.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <tev/tev_module.h>

namespace tev::iomodule::counter7080 {

std::uint16_t CheckCall(const Call& call, Check what, bool floats) noexcept {
    if (const auto rc = call.require(floats))
        return rc;
    if (call.model() != kModel)
        return TEV_MODULE_MODEL_NOT_SERVED;
    if (what == Check::Counter && Counter(call) > 1)
        return TEV_MODULE_COUNTER_NUMBER;
    return TEV_MODULE_OK;
}

Value ValueArgument(const Call& call, double max) noexcept {
    double v = 0.0;
    static_assert(sizeof v == 2 * sizeof(float));
    std::memcpy(&v, call.floats, sizeof v);
    if (!(v >= 0.0 && v <= max)) // also refuses NaN
        return {TEV_MODULE_FIELD_OUT_OF_RANGE, 0};
    return {TEV_MODULE_OK, static_cast<std::uint32_t>(std::min(std::trunc(v), 4294967295.0))};
}

Command& BeginCounter(Transaction& t, const CounterCommand& command) noexcept {
    return t.begin(command.lead).text(Counter(t.call()) == 0 ? command.counter0 : command.counter1);
}

std::uint16_t Read32(Transaction& t, char first, std::size_t length, std::size_t pos) noexcept {
    if (const auto rc = t.run(first, length))
        return rc;
    const auto high = t.reply().hex(pos, 4);
    const auto low = t.reply().hex(pos + 4, 4);
    if (!high || !low)
        return TEV_MODULE_INVALID_REPLY;
    t.call().slots.set(TEV_SLOT_ARG7, *high & 0xFFFFu);
    t.call().slots.set(TEV_SLOT_ARG8, *low & 0xFFFFu);
    return TEV_MODULE_OK;
}

std::uint16_t ReadDigit(Transaction& t, std::size_t slot, bool decimal) noexcept {
    if (const auto rc = t.run('!', 4))
        return rc;
    const auto digit = decimal ? t.reply().digit(3) : t.reply().hex(3, 1);
    if (!digit)
        return TEV_MODULE_INVALID_REPLY;
    t.call().slots.set(slot, *digit);
    return TEV_MODULE_OK;
}

namespace {

// The commands of one counter.
constexpr CounterCommand kCount{'#', "0", "1"};
constexpr CounterCommand kMaxValue{'$', "30", "31"};
constexpr CounterCommand kReadAlarmLimit{'@', "RP", "RA"};
constexpr CounterCommand kSetAlarmLimit{'@', "PA", "SA"};
constexpr CounterCommand kEnableAlarm{'@', "EA0", "EA1"};
constexpr CounterCommand kDisableAlarm{'@', "DA0", "DA1"};
constexpr CounterCommand kEnableAlarmD{'@', "EAM", "EAL"}; // 7080D: momentary or latched
constexpr CounterCommand kStatus{'$', "50", "51"};
constexpr CounterCommand kClear{'$', "60", "61"};
constexpr CounterCommand kPreset{'@', "P0", "P1"};
constexpr CounterCommand kReadPreset{'@', "G0", "G1"};

// A 32-bit reading of one counter: the eight hex digits at `pos` of a reply of `length`.
std::uint16_t ReadCounter32(const Call& call, const CounterCommand& command, char first, std::size_t length,
                            std::size_t pos) noexcept {
    if (const auto rc = CheckCall(call, Check::Counter))
        return rc;
    Transaction t(call);
    BeginCounter(t, command);
    return Read32(t, first, length, pos);
}

// A 32-bit setting of one counter: the command, then the value as eight hex digits; reply "!AA".
std::uint16_t WriteCounter32(const Call& call, const CounterCommand& command) noexcept {
    if (const auto rc = CheckCall(call, Check::Counter, true))
        return rc;
    const Value v = ValueArgument(call, kMax32);
    if (v.code)
        return v.code;
    Transaction t(call);
    BeginCounter(t, command).hex(v.value, 8);
    return t.run('!', 3);
}

// A command of one counter answered by "!AA".
std::uint16_t RunCounterCommand(const Call& call, const CounterCommand& command) noexcept {
    if (const auto rc = CheckCall(call, Check::Counter))
        return rc;
    Transaction t(call);
    BeginCounter(t, command);
    return t.run('!', 3);
}

} // namespace
} // namespace tev::iomodule::counter7080

using namespace tev::iomodule;
using namespace tev::iomodule::counter7080;

extern "C" {

uint16_t CounterIn_7080(WordArgs w, float* f, char* c, char* r) {
    return ReadCounter32(Call(w, f, c, r), kCount, '>', 9, 1);
}
uint16_t ReadCounterMaxValue_7080(WordArgs w, float* f, char* c, char* r) {
    return ReadCounter32(Call(w, f, c, r), kMaxValue, '!', 11, 3);
}
uint16_t SetCounterMaxValue_7080(WordArgs w, float* f, char* c, char* r) {
    return WriteCounter32(Call(w, f, c, r), kMaxValue);
}
uint16_t ReadAlarmLimitValue_7080(WordArgs w, float* f, char* c, char* r) {
    return ReadCounter32(Call(w, f, c, r), kReadAlarmLimit, '!', 11, 3);
}
uint16_t SetAlarmLimitValue_7080(WordArgs w, float* f, char* c, char* r) {
    return WriteCounter32(Call(w, f, c, r), kSetAlarmLimit);
}
uint16_t PresetCounterValue_7080(WordArgs w, float* f, char* c, char* r) {
    return WriteCounter32(Call(w, f, c, r), kPreset);
}
uint16_t ReadPresetCounterValue_7080(WordArgs w, float* f, char* c, char* r) {
    return ReadCounter32(Call(w, f, c, r), kReadPreset, '!', 11, 3);
}

uint16_t EnableCounterAlarm_7080(WordArgs w, float* f, char* c, char* r) {
    return RunCounterCommand(Call(w, f, c, r), kEnableAlarm);
}
uint16_t DisableCounterAlarm_7080(WordArgs w, float* f, char* c, char* r) {
    return RunCounterCommand(Call(w, f, c, r), kDisableAlarm);
}
uint16_t EnableCounterAlarm_7080D(WordArgs w, float* f, char* c, char* r) {
    return RunCounterCommand(Call(w, f, c, r), kEnableAlarmD);
}
uint16_t ClearCounter_7080(WordArgs w, float* f, char* c, char* r) {
    return RunCounterCommand(Call(w, f, c, r), kClear);
}

uint16_t DisableCounterAlarm_7080D(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = CheckCall(call, Check::Module))
        return rc;
    Transaction t(call);
    t.begin('@').text("DA");
    return t.run('!', 3);
}

uint16_t ReadCounterStatus_7080(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = CheckCall(call, Check::Counter))
        return rc;
    Transaction t(call);
    BeginCounter(t, kStatus);
    return ReadDigit(t, TEV_SLOT_ARG7, false);
}

uint16_t StartCounting_7080(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = CheckCall(call, Check::Module))
        return rc;
    Transaction t(call);
    t.begin('$').ch('5').digit(call.arg(TEV_SLOT_ARG)).digit(call.arg(TEV_SLOT_ARG7));
    return t.run('!', 3);
}

} // extern "C"
