// Analog output commands of I-7000 modules and 87K cards: AnalogOut, AnalogOutHex, AnalogOutFsr and
// the read-backs. The 8000 card commands are in analog_out_cards.cpp.
#include "analog_output.hpp"
#include "fixed_digits.hpp"
#include "models.hpp"
#include "transaction.hpp"
#include "wire.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule {
namespace {

constexpr OutputModel kAnalogOut[] = {
    {0x7016, OutputForm::Excitation}, {0x4016, OutputForm::Excitation}, {0x8016, OutputForm::Excitation},
    {0x7021, OutputForm::Digits},     {0x4021, OutputForm::Digits},     {0x8021, OutputForm::Digits},
    {0x7022, OutputForm::Current, 3}, {0x4022, OutputForm::Current, 3}, {0x8022, OutputForm::Current, 3},
    {0x7024, OutputForm::Signed, 4},  {0x4024, OutputForm::Signed, 4},  {0x8024, OutputForm::Signed, 4}};
constexpr OutputModel kAnalogOut87K[] = {{0x87016, OutputForm::Excitation},
                                         {0x87021, OutputForm::Digits},
                                         {0x87022, OutputForm::Current, 3},
                                         {0x87026, OutputForm::Current, 3},
                                         {0x87024, OutputForm::Signed, 4}};

constexpr ReadBackModel kReadBack[] = {
    {0x7016, ReadBackForm::Plain},           {0x4016, ReadBackForm::Plain},
    {0x8016, ReadBackForm::Plain},           {0x7021, ReadBackForm::Selector},
    {0x4021, ReadBackForm::Selector},        {0x8021, ReadBackForm::Selector},
    {0x7022, ReadBackForm::WithChannel, 3},  {0x4022, ReadBackForm::WithChannel, 3},
    {0x8022, ReadBackForm::WithChannel, 3},  {0x7024, ReadBackForm::WithCChannel, 4},
    {0x4024, ReadBackForm::WithCChannel, 4}, {0x8024, ReadBackForm::WithCChannel, 4}};
constexpr ReadBackModel kReadBackHex[] = {{0x7021, ReadBackForm::Selector},
                                          {0x7022, ReadBackForm::WithChannel, 3}};
constexpr ReadBackModel kReadBack87K[] = {{0x87016, ReadBackForm::Plain},
                                          {0x87021, ReadBackForm::Selector},
                                          {0x87022, ReadBackForm::WithChannel, 3},
                                          {0x87026, ReadBackForm::WithChannel, 3},
                                          {0x87024, ReadBackForm::WithChannel, 4}};

// The 7021 and 7022 groups of the hex and percentage outputs.
struct Model {
    std::uint32_t model = 0;
};
constexpr Model kRawOutputs[] = {{0x7021}, {0x7022}, {0x4021}, {0x4022}, {0x8021}, {0x8022}};

constexpr std::uint32_t kHexOutputMax = 0xFFF; // three hex digits

template <class Rows> std::uint16_t WriteOutput(const Call& call, const Rows& rows) noexcept {
    const auto [row, rc] = Serve(call, rows, true);
    if (!row)
        return rc;
    return WriteOutputValue(call, *row);
}

template <class Rows>
std::uint16_t ReadBack(const Call& call, const Rows& rows, ReadBackValue value) noexcept {
    const auto [row, rc] = Serve(call, rows, value == ReadBackValue::Decimal);
    if (!row)
        return rc;
    Transaction t(call);
    if (const auto code = BeginReadBack(t, *row))
        return code;
    return RunReadBack(t, value);
}

} // namespace

std::uint16_t BeginReadBack(Transaction& t, const ReadBackModel& row) noexcept {
    const Call& call = t.call();
    const std::uint32_t selector = call.arg(TEV_SLOT_ARG);
    const std::uint32_t channel = call.arg(TEV_SLOT_ARG7);
    if (row.form != ReadBackForm::Plain && selector > 1)
        return TEV_MODULE_SELECTOR_OUT_OF_RANGE;
    if (row.channels != 0 && channel >= row.channels)
        return TEV_MODULE_SELECTOR_OUT_OF_RANGE;
    Command& command = t.begin('$').ch(row.form != ReadBackForm::Plain && selector == 1 ? '8' : '6');
    if (row.form == ReadBackForm::WithCChannel)
        command.ch('C');
    if (row.channels != 0)
        command.digit(channel);
    return TEV_MODULE_OK;
}

std::uint16_t RunReadBack(Transaction& t, ReadBackValue value) noexcept {
    if (const auto rc = t.clearing(1).run('!', kAnyLength))
        return rc;
    const auto rest = t.reply().from(3);
    if (!rest)
        return TEV_MODULE_INVALID_REPLY;
    if (value == ReadBackValue::Decimal)
        return SetFloats(t.call(), {ParseDecimal(*rest)});
    if (rest->empty()) // no number: slot 9 keeps its value
        return TEV_MODULE_OK;
    const auto number = ParseHex(*rest);
    return SetSlots(t.call(), {{TEV_SLOT_ARG9, number ? std::optional(*number & 0xFFFFu) : std::nullopt}});
}

std::uint16_t WriteOutputValue(const Call& call, const OutputModel& row) noexcept {
    const std::uint32_t channel = call.arg(TEV_SLOT_ARG);
    if (row.channels != 0 && channel >= row.channels)
        return TEV_MODULE_CHANNEL_OUT_OF_RANGE;
    const double value = call.getFloat(0);
    Transaction t(call);
    switch (row.form) {
    case OutputForm::Excitation:
        t.begin('$').ch('7').printf(7, "%+07.3f", value);
        return t.run('!', 3);
    case OutputForm::Digits: {
        const FixedDigits digits = SplitFixedDigits(value, 2, 3);
        if (digits.code)
            return digits.code;
        t.begin('#').text(digits.view());
        break;
    }
    case OutputForm::Current:
        t.begin('#').digit(channel).printf(6, "%06.3f", value);
        break;
    case OutputForm::Signed:
        t.begin('#').digit(channel).printf(7, "%+07.3f", value);
        break;
    }
    return t.run('>', 1);
}

} // namespace tev::iomodule

using namespace tev::iomodule;

extern "C" {

uint16_t AnalogOut(WordArgs w, float* f, char* c, char* r) {
    return WriteOutput(Call(w, f, c, r), kAnalogOut);
}

uint16_t AnalogOut_87K(LongArgs w, float* f, char* c, char* r) {
    return WriteOutput(Call(Family::Card87K, w, f, c, r), kAnalogOut87K);
}

uint16_t AnalogOutHex(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto [row, rc] = Serve(call, kRawOutputs, false); !row)
        return rc;
    const std::uint32_t value = call.arg(TEV_SLOT_ARG7);
    if (value > kHexOutputMax)
        return TEV_MODULE_VALUE_OUT_OF_RANGE;
    Transaction t(call);
    t.begin('#').hex(value, 3);
    return t.run('>', 1);
}

uint16_t AnalogOutFsr(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto [row, rc] = Serve(call, kRawOutputs, true); !row)
        return rc;
    const FixedDigits digits = SplitFixedDigits(call.getFloat(0), 3, 2);
    if (digits.code)
        return digits.code;
    Transaction t(call);
    t.begin('#').ch('+').text(digits.view());
    return t.run('>', 1);
}

uint16_t AnalogOutReadBack(WordArgs w, float* f, char* c, char* r) {
    return ReadBack(Call(w, f, c, r), kReadBack, ReadBackValue::Decimal);
}
uint16_t AnalogOutReadBackHex(WordArgs w, float* f, char* c, char* r) {
    return ReadBack(Call(w, f, c, r), kReadBackHex, ReadBackValue::Hex);
}
uint16_t AnalogOutReadBack_87K(LongArgs w, float* f, char* c, char* r) {
    return ReadBack(Call(Family::Card87K, w, f, c, r), kReadBack87K, ReadBackValue::Decimal);
}

} // extern "C"
