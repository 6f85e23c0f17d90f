// Alarms and event counter of analog input modules, and the LED display selection of 7016 and 7033.
#include "alarm_types.hpp"
#include "family_steps.hpp"
#include "models.hpp"
#include "transaction.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule {
namespace {

struct Model {
    std::uint32_t model = 0;
};
constexpr Model kAlarmModels[] = {{0x7011}, {0x7012}, {0x7014}, {0x7016}};

// The LED command digit and the channels the display can show.
struct LedModel {
    std::uint32_t model = 0;
    char command = '3';
    std::uint8_t channels = 0;
};
constexpr LedModel kLedModels[] = {{0x7016, '3', 2}, {0x7033, '8', 3}};
constexpr LedModel kLed7033[] = {{0x7033, '8', 3}};

// `zero` when slot 5 is 0, else `other`: the selector of the analog alarm commands.
std::string_view Pick(const Call& call, std::string_view zero, std::string_view other) noexcept {
    return call.arg(TEV_SLOT_ARG) == 0 ? zero : other;
}

// Checks the model, sends "@AA" and `zero` (slot 5 = 0) or `other` (any other value) and checks the
// reply: '!' and `length` characters. `floats`: the function reads or writes the float block.
std::uint16_t AlarmExchange(Transaction& t, std::string_view zero, std::string_view other, std::size_t length,
                            bool floats = false) noexcept {
    if (const auto [row, rc] = Serve(t.call(), kAlarmModels, floats); !row)
        return rc;
    t.begin('@').text(Pick(t.call(), zero, other));
    return t.run('!', length);
}

// An alarm command answered by the bare acknowledgement.
std::uint16_t AlarmCommand(const Call& call, std::string_view zero, std::string_view other) noexcept {
    Transaction t(call);
    return AlarmExchange(t, zero, other, 3);
}
std::uint16_t AlarmCommand(const Call& call, std::string_view fields) noexcept {
    return AlarmCommand(call, fields, fields);
}

template <std::size_t N> std::uint16_t ReadLed(const Call& call, const LedModel (&rows)[N]) noexcept {
    const auto [row, rc] = Serve(call, rows, false);
    if (!row)
        return rc;
    Transaction t(call);
    t.begin('$').ch(row->command);
    if (const auto code = t.run('!', 4))
        return code;
    return SetSlots(call, {{TEV_SLOT_ARG, t.reply().digit(3)}});
}

// Sends "$AA" and the row's digit and slot 5; `checked` refuses a channel the display lacks.
template <std::size_t N>
std::uint16_t SetLed(const Call& call, const LedModel (&rows)[N], bool checked) noexcept {
    const auto [row, rc] = Serve(call, rows, false);
    if (!row)
        return rc;
    const std::uint32_t channel = call.arg(TEV_SLOT_ARG);
    if (checked && channel >= row->channels)
        return TEV_MODULE_CHANNEL_OUT_OF_RANGE;
    Transaction t(call);
    t.begin('$').ch(row->command).digit(channel);
    return t.run('!', 3);
}

} // namespace
} // namespace tev::iomodule

using namespace tev::iomodule;

extern "C" {

uint16_t EnableAlarm(WordArgs w, float* f, char* c, char* r) {
    return AlarmCommand(Call(w, f, c, r), "EAM", "EAL");
}
uint16_t DisableAlarm(WordArgs w, float* f, char* c, char* r) {
    return AlarmCommand(Call(w, f, c, r), "DA");
}
uint16_t ClearLatchAlarm(WordArgs w, float* f, char* c, char* r) {
    return AlarmCommand(Call(w, f, c, r), "CA");
}
uint16_t ClearEventCounter(WordArgs w, float* f, char* c, char* r) {
    return AlarmCommand(Call(w, f, c, r), "CE");
}

uint16_t SetAlarmLimitValue(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto [row, rc] = Serve(call, kAlarmModels, true); !row)
        return rc;
    const std::uint32_t type = call.arg(TEV_SLOT_ARG7);
    if (call.model() == 0x7016 && type > k7016TypeMax)
        return TEV_MODULE_ABOVE_RANGE;
    const InputType* input = FindInputType(type);
    if (!input)
        return TEV_MODULE_MODEL_NOT_SERVED;
    const NumberText limit = SevenChars(call.getFloat(0), input->decimals);
    if (limit.code)
        return limit.code;
    Transaction t(call);
    t.begin('@').text(Pick(call, "LO", "HI")).text(limit.view());
    return t.run('!', 3);
}

uint16_t ReadAlarmLimitValue(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    Transaction t(call);
    if (const auto rc = AlarmExchange(t, "RL", "RH", kAnyLength, true))
        return rc;
    const auto limit = LeadingDecimal(t.reply(), 3, 7);
    if (!limit)
        return TEV_MODULE_INVALID_REPLY;
    call.setFloat(0, *limit);
    return TEV_MODULE_OK;
}

uint16_t ReadOutputAlarmState(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    Transaction t(call);
    if (const auto rc = AlarmExchange(t, "DI", "DI", 8))
        return rc;
    const Reply& reply = t.reply();
    std::optional<std::uint32_t> outputs = reply.hex(5, 1);
    if (call.model() != 0x7016) {
        const auto out1 = reply.digit(4);
        const auto out0 = reply.digit(5);
        outputs = out1 && out0 ? std::optional(2 * *out1 + *out0) : std::nullopt;
    }
    return SetSlots(call, {{TEV_SLOT_ARG7, reply.digit(3)}, {TEV_SLOT_ARG8, outputs}});
}

uint16_t ReadEventCounter(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    Transaction t(call);
    if (const auto rc = AlarmExchange(t, "RE", "RE", 8))
        return rc;
    // The five-digit count as stated, in the 16-bit slot (70000 is stored as 4464), as the digital
    // input counters store theirs.
    const auto count = t.reply().integer(3, 5);
    if (!count)
        return TEV_MODULE_INVALID_REPLY;
    call.slots.set(TEV_SLOT_ARG7, static_cast<std::uint32_t>(*count) & 0xFFFFu);
    return TEV_MODULE_OK;
}

uint16_t SetLedDisplay(WordArgs w, float* f, char* c, char* r) {
    return SetLed(Call(w, f, c, r), kLedModels, true);
}
uint16_t GetLedDisplay(WordArgs w, float* f, char* c, char* r) {
    return ReadLed(Call(w, f, c, r), kLedModels);
}
uint16_t SetLedDisplay_7033(WordArgs w, float* f, char* c, char* r) {
    return SetLed(Call(w, f, c, r), kLed7033, false);
}
uint16_t GetLedDisplay_7033(WordArgs w, float* f, char* c, char* r) {
    return ReadLed(Call(w, f, c, r), kLed7033);
}

} // extern "C"
