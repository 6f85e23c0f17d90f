// Alarms of 8000 analog input cards: "$AASsCc" and the alarm command of one channel and side.
#include <chrono>
#include <cmath>

#include "alarm_types.hpp"
#include "family_steps.hpp"
#include "models.hpp"
#include "transaction.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule {
namespace {

using namespace std::chrono_literals;

// The cards and channels each group of alarm functions serves.
constexpr ChannelModel kAlarmCards[] = {{0x8013, 4}, {0x5013, 4}, {0x8017, 8},
                                        {0x5017, 8}, {0x8018, 7}, {0x5018, 7}};
constexpr ChannelModel kAlarmReadCards[] = {{0x8013, 4}, {0x5013, 4}, {0x8017, 8}, {0x5017, 8},
                                            {0x8018, 8}, {0x5018, 8}, {0x8033, 4}, {0x5033, 4}};
constexpr ChannelModel kStatusCards[] = {{0x8013, 4}, {0x5013, 4}, {0x8033, 4}, {0x5033, 4},
                                         {0x8017, 8}, {0x5017, 8}, {0x8018, 7}, {0x5018, 7}};

// Slot 9 of SetAlarmConnect_8K when the alarm drives no output.
constexpr std::uint32_t kNoTarget = 100;
// Room for the whole "%+07.2f" text of any float (at most 43 characters).
constexpr std::size_t kWholeText = 48;
// The card takes the enabling before it takes the alarm kind.
constexpr auto kModePause = 200ms;

// The alarm modes ReadAlarmMode_8K reports, by their letter.
constexpr std::string_view kModeLetters = "DML";

char Side(const Call& call) noexcept {
    return call.arg(TEV_SLOT_ARG8) == 0 ? 'L' : 'H';
}

} // namespace
} // namespace tev::iomodule

using namespace tev::iomodule;

extern "C" {

uint16_t SetAlarmConnect_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    Transaction t(call);
    if (const auto rc = BeginChannel(t, kAlarmCards, false, false))
        return rc;
    t.command().ch('A').ch(Side(call)).ch('C');
    if (call.arg(TEV_SLOT_ARG9) == kNoTarget)
        t.command().text("S*C*");
    else
        t.command().ch('S').digit(call.arg(TEV_SLOT_ARG9)).ch('C').hex(call.arg(TEV_SLOT_ARG10), 1);
    if (const auto status = t.exchange())
        return status;
    if (t.expect('!', kAnyLength))
        return TEV_MODULE_ALARM_CONNECT_FIRST;
    if (t.expect('!', 3))
        return TEV_MODULE_ALARM_CONNECT_LENGTH;
    return TEV_MODULE_OK;
}

uint16_t SetAlarmLimitValue_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    Transaction t(call);
    if (const auto rc = BeginChannel(t, kAlarmCards, true))
        return rc;
    // The card takes the whole "%+07.2f" text; only a value that is no number is refused.
    const double limit = call.getFloat(0);
    if (!std::isfinite(limit))
        return limit < 0 ? TEV_MODULE_BELOW_RANGE : TEV_MODULE_ABOVE_RANGE;
    t.command().ch('A').ch(Side(call)).ch('U').printf(kWholeText, "%+07.2f", limit);
    return t.run('!', 3);
}

uint16_t ReadAlarmLimitValue_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    Transaction t(call);
    if (const auto rc = BeginChannel(t, kAlarmReadCards, true))
        return rc;
    t.command().ch('R').ch(Side(call)).ch('U');
    if (const auto rc = t.run('!', 10))
        return rc;
    return SetFloats(call, {t.reply().decimal(3, 7)});
}

uint16_t ClearLatchAlarm_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    Transaction t(call);
    if (const auto rc = BeginChannel(t, kAlarmCards, false))
        return rc;
    t.command().ch('C').ch(Side(call));
    return t.run('!', 3);
}

uint16_t ReadAlarmMode_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    Transaction t(call);
    if (const auto rc = BeginChannel(t, kAlarmReadCards, false))
        return rc;
    t.command().ch('A').ch(Side(call));
    if (const auto rc = t.run('!', 4))
        return rc;
    const auto mode = kModeLetters.find(t.reply().data()[3]);
    if (mode == std::string_view::npos)
        return TEV_MODULE_INVALID_REPLY;
    call.slots.set(TEV_SLOT_ARG9, static_cast<std::uint32_t>(mode));
    return TEV_MODULE_OK;
}

uint16_t SetAlarmMode_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    Transaction t(call);
    if (const auto rc = BeginChannel(t, kAlarmCards, false))
        return rc;
    const std::uint32_t mode = call.arg(TEV_SLOT_ARG9);
    t.command().ch('A').ch(Side(call)).ch('E').ch(mode == 0 ? 'D' : 'E');
    if (const auto rc = t.run('!', 3))
        return rc;
    if (mode == 0)
        return TEV_MODULE_OK;
    AlarmPause(kModePause);
    BeginChannel(t, kAlarmCards, false); // checked above: starts "$AASsCc" again
    t.command().ch('A').ch(Side(call)).ch(mode == 1 ? 'M' : 'L');
    return t.run('!', 3);
}

uint16_t ReadAlarmStatus_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    Transaction t(call);
    if (const auto rc = BeginChannel(t, kStatusCards, false))
        return rc;
    t.command().ch('S');
    if (const auto rc = t.run('!', 5))
        return rc;
    return SetSlots(call, {{TEV_SLOT_ARG8, t.reply().digit(3)}, {TEV_SLOT_ARG9, t.reply().digit(4)}});
}

} // extern "C"
