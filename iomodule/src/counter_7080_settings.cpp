// 7080 module settings: alarm output state, input signal, module and gate modes, trigger levels,
// minimum signal widths, the LED display and the module configuration.
#include <array>
#include <cstdio>

#include "counter_7080.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule::counter7080 {
namespace {

constexpr double kMaxLevel = 5.0;     // trigger levels 0.0-5.0 V in tenths
constexpr double kMaxDisplay = 19999; // the LED shows at most 19999
constexpr std::uint32_t kMaxGateMode = 2;
constexpr std::uint32_t kTypeCounter = 0x50;
constexpr std::uint32_t kTypeFrequency = 0x51;
constexpr std::uint32_t kMinFormat = 3; // configuration slot 9: 3-10
constexpr std::uint32_t kMaxFormat = 10;

// The minimum signal width of the low (counter slot 5 = 0) or the high level (1).
constexpr CounterCommand kWidth{'$', "0L", "0H"};

// 'L' for slot 5 = 0 (low trigger level), 'H' otherwise.
char LowHigh(const Call& call) noexcept {
    return call.arg(TEV_SLOT_ARG) == 0 ? 'L' : 'H';
}

// A one-digit setting written from slot 5: `lead`, `text` and the digit; reply "!AA".
std::uint16_t SetDigit(const Call& call, char lead, const char* text) noexcept {
    if (const auto rc = CheckCall(call, Check::Module))
        return rc;
    Transaction t(call);
    t.begin(lead).text(text).digit(call.arg(TEV_SLOT_ARG));
    return t.run('!', 3);
}

// A one-digit setting read with `lead` and `text` into `slot`.
std::uint16_t GetDigit(const Call& call, char lead, const char* text, std::size_t slot,
                       bool decimal) noexcept {
    if (const auto rc = CheckCall(call, Check::Module))
        return rc;
    Transaction t(call);
    t.begin(lead).text(text);
    return ReadDigit(t, slot, decimal);
}

// The printf format that puts v (0 < v <= 19999) into the display's six characters.
const char* DisplayFormat(double v) noexcept {
    if (v <= 1)
        return "%06.5f";
    if (v <= 10)
        return "%06.4f";
    if (v <= 100)
        return "%06.3f";
    if (v <= 1000)
        return "%06.2f";
    if (v <= 10000)
        return "%06.1f";
    return "%6.1f";
}

} // namespace
} // namespace tev::iomodule::counter7080

using namespace tev::iomodule;
using namespace tev::iomodule::counter7080;

extern "C" {

uint16_t ReadOutputAlarmState_7080(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = CheckCall(call, Check::Module))
        return rc;
    Transaction t(call);
    t.begin('@').text("DI");
    if (const auto rc = t.run('!', 8))
        return rc;
    const Reply& reply = t.reply();
    const auto state = reply.hex(3, 1);
    const auto out1 = reply.digit(4);
    const auto out0 = reply.digit(5);
    if (!state || !out1 || !out0)
        return TEV_MODULE_INVALID_REPLY;
    call.slots.set(TEV_SLOT_ARG7, *state);
    call.slots.set(TEV_SLOT_ARG8, 2 * *out1 + *out0);
    return TEV_MODULE_OK;
}

uint16_t SetInputSignalMode_7080(WordArgs w, float* f, char* c, char* r) {
    return SetDigit(Call(w, f, c, r), '$', "B");
}
uint16_t ReadInputSignalMode_7080(WordArgs w, float* f, char* c, char* r) {
    return GetDigit(Call(w, f, c, r), '$', "B", TEV_SLOT_ARG7, false);
}
uint16_t SetModuleMode_7080(WordArgs w, float* f, char* c, char* r) {
    return SetDigit(Call(w, f, c, r), '~', "A");
}
uint16_t ReadModuleMode_7080(WordArgs w, float* f, char* c, char* r) {
    return GetDigit(Call(w, f, c, r), '~', "A", TEV_SLOT_ARG, true);
}

uint16_t SetGateMode_7080(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = CheckCall(call, Check::Module))
        return rc;
    if (call.arg(TEV_SLOT_ARG) > kMaxGateMode)
        return TEV_MODULE_GATE_MODE;
    return SetDigit(call, '$', "A");
}
uint16_t ReadGateMode_7080(WordArgs w, float* f, char* c, char* r) {
    return GetDigit(Call(w, f, c, r), '$', "A", TEV_SLOT_ARG, true);
}

uint16_t SetLevelVolt_7080(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = CheckCall(call, Check::Module, true))
        return rc;
    const double volts = call.getFloat(0);
    if (volts < 0.0)
        return TEV_MODULE_BELOW_RANGE;
    if (!(volts <= kMaxLevel)) // also NaN
        return TEV_MODULE_ABOVE_RANGE;
    // "%3.1f" gives "U.T": the units and the tenths digit go on the wire without the point.
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%3.1f", volts);
    Transaction t(call);
    t.begin('$').ch('1').ch(LowHigh(call)).ch(text[0]).ch(text[2]);
    return t.run('!', 3);
}

uint16_t ReadLevelVolt_7080(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = CheckCall(call, Check::Module, true))
        return rc;
    Transaction t(call);
    t.begin('$').ch('1').ch(LowHigh(call));
    if (const auto rc = t.run('!', 5))
        return rc;
    const auto units = t.reply().digit(3);
    const auto tenths = t.reply().digit(4);
    if (!units || !tenths)
        return TEV_MODULE_INVALID_REPLY;
    call.setFloat(0, *units + *tenths * 0.1);
    return TEV_MODULE_OK;
}

uint16_t SetMinSignalWidth_7080(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = CheckCall(call, Check::Counter, true))
        return rc;
    const Value width = ValueArgument(call, kMaxWidth);
    if (width.code)
        return width.code;
    Transaction t(call);
    BeginCounter(t, kWidth).printf(5, "%05u", static_cast<unsigned>(width.value));
    return t.run('!', 3);
}

uint16_t ReadMinSignalWidth_7080(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = CheckCall(call, Check::Counter))
        return rc;
    Transaction t(call);
    BeginCounter(t, kWidth);
    if (const auto rc = t.run('!', 8))
        return rc;
    const auto width = t.reply().integer(3, 5);
    return SetSlots(
        call, {{TEV_SLOT_ARG7, width ? std::optional(static_cast<std::uint32_t>(*width)) : std::nullopt}});
}

uint16_t DataToLED_7080(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = CheckCall(call, Check::Module, true))
        return rc;
    const double v = call.getFloat(0);
    if (v <= 0.0)
        return TEV_MODULE_BELOW_RANGE;
    if (!(v <= kMaxDisplay)) // also NaN
        return TEV_MODULE_ABOVE_RANGE;
    Transaction t(call);
    t.begin('$').ch('9').printf(6, DisplayFormat(v), v);
    return t.run('!', 3);
}

uint16_t SetConfiguration_7080(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    const std::uint32_t newAddress = call.arg(TEV_SLOT_ARG7);
    const std::uint32_t address = call.arg(TEV_SLOT_ADDRESS);
    const std::uint32_t kind = call.arg(TEV_SLOT_ARG8);
    const std::uint32_t baud = call.arg(TEV_SLOT_ARG9);
    // Slot 10 in the top two bits, slot 5 from bit 2: a field that does not fit the byte is refused
    // rather than sent as a third digit.
    const std::uint32_t format = call.arg(TEV_SLOT_ARG10) * 64 + call.arg(TEV_SLOT_ARG) * 4;
    if (newAddress > 0xFF || address > 0xFF || kind > 1 || baud < kMinFormat || baud > kMaxFormat ||
        format > 0xFF)
        return TEV_MODULE_SELECTOR_OUT_OF_RANGE;
    if (call.model() != kModel)
        return TEV_MODULE_MODEL_NOT_SERVED;
    Transaction t(call);
    t.begin('%')
        .hex(newAddress, 2)
        .hex(kind == 0 ? kTypeCounter : kTypeFrequency, 2)
        .hex(baud, 2)
        .hex(format, 2);
    return t.run('!', 3);
}

} // extern "C"
