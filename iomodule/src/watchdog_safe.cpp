// Safe and power-on values of digital and analog outputs: set the outputs, then have the module store
// its present output as the safe or power-on value.
#include "analog_output.hpp"
#include "family_steps.hpp"
#include "models.hpp"
#include "transaction.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule {
namespace {

// Digital output models: the largest value the outputs hold and the hex digits of the port command.
struct DoModel {
    std::uint32_t model = 0;
    std::uint32_t max = 0;
    int digits = 2;
};
constexpr DoModel kDoModels[] = {{0x7042, 0x1FFF, 4}, {0x7043, 0xFFFF, 4}, {0x7044, 0xFF, 2},
                                 {0x7050, 0xFF, 2},   {0x7060, 0xF, 1},    {0x7063, 0x7, 1},
                                 {0x7065, 0x1F, 2},   {0x7066, 0x7F, 2},   {0x7067, 0x7F, 2}};

// Analog output models: the output command and the channels (slot 5) the safe and power-on value
// commands take. The 7021 has one output and sends no channel digit, yet takes channel 0-1 as the
// 7022 does; a channel above the limit is refused before anything is sent.
struct AoModel {
    std::uint32_t model = 0;
    OutputModel output;
    std::uint8_t channels = 0;
};
constexpr AoModel kAoModels[] = {{0x7021, {0x7021, OutputForm::Digits}, 2},
                                 {0x7022, {0x7022, OutputForm::Current, 2}, 2},
                                 {0x7024, {0x7024, OutputForm::Signed, 4}, 4}};

// Only the 7024 reads its power-on values back.
constexpr AoModel kPowerOnReadModels[] = {{0x7024, {0x7024, OutputForm::Signed, 4}, 4}};

struct Model {
    std::uint32_t model = 0;
};
constexpr Model kAnalogDoModels[] = {{0x7011}, {0x7012}, {0x7014}};
// Power-on and safe values of the two outputs of an analog input module.
constexpr std::uint32_t kAnalogDoMax = 3;

// Reply length of ReadSafeValueForDo and ReadPowerOnValueForDo: "!AA" and four hex digits.
constexpr std::size_t kDoValueReply = 7;

// "~AA5S" or "~AA5P" after the port value of slot 5.
std::uint16_t StoreDo(const Call& call, char which) noexcept {
    const auto [row, refused] = Serve(call, kDoModels, false);
    if (!row)
        return refused;
    const std::uint32_t value = call.arg(TEV_SLOT_ARG);
    if (value > row->max)
        return TEV_MODULE_VALUE_OUT_OF_RANGE;
    Transaction t(call);
    t.begin('@').hex(value, row->digits);
    if (const auto rc = t.run('>', 1))
        return rc;
    t.begin('~').ch('5').ch(which);
    return t.run('!', 3);
}

std::uint16_t ReadDo(const Call& call, char which) noexcept {
    const auto [row, refused] = Serve(call, kDoModels, false);
    if (!row)
        return refused;
    Transaction t(call);
    t.begin('~').ch('4').ch(which);
    if (const auto status = t.exchange())
        return status;
    // Any first character: only the length is checked.
    if (const auto rc = t.expect(t.reply().first(), kDoValueReply))
        return rc;
    return SetSlots(call, {{TEV_SLOT_ARG, t.reply().hex(3, row->digits == 4 ? 4 : 2)}});
}

// Starts "<lead>AA<digit>" and, for a model with several outputs, the channel digit.
void BeginAo(Transaction& t, const OutputModel& row, char lead, char digit) noexcept {
    Command& command = t.begin(lead).ch(digit);
    if (row.channels != 0)
        command.digit(t.call().arg(TEV_SLOT_ARG));
}

// Writes float slot 0 to the output, then stores it with "<lead>AA<digit>[N]".
std::uint16_t StoreAo(const Call& call, char lead, char digit) noexcept {
    const auto [row, refused] = Serve(call, kAoModels, true);
    if (!row)
        return refused;
    if (call.arg(TEV_SLOT_ARG) >= row->channels)
        return TEV_MODULE_CHANNEL_OUT_OF_RANGE;
    if (const auto rc = WriteOutputValue(call, row->output))
        return rc;
    Transaction t(call);
    BeginAo(t, row->output, lead, digit);
    return t.run('!', 3);
}

// Reads a stored value with "<lead>AA<digit>[N]": float slot 0 = seven characters from position 3
// (7024) or six (the others). `length` is the reply's exact length, or kAnyLength.
template <std::size_t N>
std::uint16_t ReadAo(const Call& call, const AoModel (&rows)[N], char lead, char digit,
                     std::size_t length) noexcept {
    const auto [row, refused] = Serve(call, rows, true);
    if (!row)
        return refused;
    if (call.arg(TEV_SLOT_ARG) >= row->channels)
        return TEV_MODULE_CHANNEL_OUT_OF_RANGE;
    Transaction t(call);
    BeginAo(t, row->output, lead, digit);
    if (const auto rc = t.run('!', length))
        return rc;
    const auto value = LeadingDecimal(t.reply(), 3, row->output.form == OutputForm::Signed ? 7 : 6);
    if (!value)
        return TEV_MODULE_INVALID_REPLY;
    call.setFloat(0, *value);
    return TEV_MODULE_OK;
}

} // namespace
} // namespace tev::iomodule

using namespace tev::iomodule;

extern "C" {

uint16_t SetSafeValueForDo(WordArgs w, float* f, char* c, char* r) {
    return StoreDo(Call(w, f, c, r), 'S');
}
uint16_t SetPowerOnValueForDo(WordArgs w, float* f, char* c, char* r) {
    return StoreDo(Call(w, f, c, r), 'P');
}
uint16_t ReadSafeValueForDo(WordArgs w, float* f, char* c, char* r) {
    return ReadDo(Call(w, f, c, r), 'S');
}
uint16_t ReadPowerOnValueForDo(WordArgs w, float* f, char* c, char* r) {
    return ReadDo(Call(w, f, c, r), 'P');
}

uint16_t SetPowerOnSafeValue(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto [row, rc] = Serve(call, kAnalogDoModels, false); !row)
        return rc;
    const std::uint32_t powerOn = call.arg(TEV_SLOT_ARG);
    const std::uint32_t safe = call.arg(TEV_SLOT_ARG7);
    if (powerOn > kAnalogDoMax || safe > kAnalogDoMax)
        return TEV_MODULE_VALUE_OUT_OF_RANGE;
    Transaction t(call);
    t.begin('~').text("50").digit(powerOn).ch('0').digit(safe);
    return t.run('!', 3);
}

uint16_t SetSafeValueForAo(WordArgs w, float* f, char* c, char* r) {
    return StoreAo(Call(w, f, c, r), '~', '5');
}
uint16_t SetPowerOnValueForAo(WordArgs w, float* f, char* c, char* r) {
    return StoreAo(Call(w, f, c, r), '$', '4');
}

uint16_t ReadSafeValueForAo(WordArgs w, float* f, char* c, char* r) {
    return ReadAo(Call(w, f, c, r), kAoModels, '~', '4', kAnyLength);
}
uint16_t ReadPowerOnValueForAo(WordArgs w, float* f, char* c, char* r) {
    return ReadAo(Call(w, f, c, r), kPowerOnReadModels, '$', '7', 10);
}

} // extern "C"
