// Digital outputs and inputs of I-7000 modules: port and bit writes, read-back and input reads.
// Counters and latches are in digital_counter_latch.cpp, the 8000 and 87K cards in digital_cards.cpp.
#include <algorithm>

#include "digital_port.hpp"
#include "models.hpp"
#include "transaction.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule::digital {
namespace {

bool IsSmallPort(std::uint32_t model) noexcept {
    return std::ranges::find(kSmallPortOut, model) != std::end(kSmallPortOut);
}

// "@AADO0" and the value 0-3 of an analog or counter module's two outputs; reply "!AA".
std::uint16_t SmallPortOut(const Call& call) noexcept {
    const std::uint32_t value = call.arg(TEV_SLOT_ARG);
    if (value > kSmallPortMax)
        return TEV_MODULE_VALUE_OUT_OF_RANGE;
    Transaction t(call);
    t.begin('@').text("DO0").digit(value);
    return t.run('!', 3);
}

} // namespace
} // namespace tev::iomodule::digital

using namespace tev::iomodule;
using namespace tev::iomodule::digital;

extern "C" {

uint16_t DigitalOut(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    if (IsSmallPort(call.model()))
        return SmallPortOut(call);
    const PortModel* row = FindModel(kPortOut, call.model());
    if (!row)
        return TEV_MODULE_MODEL_NOT_SERVED;
    // Masked, not refused: the module has no outputs for the bits above its width.
    Transaction t(call);
    t.begin('@').hex(call.arg(TEV_SLOT_ARG) & row->mask, row->digits);
    return t.run('>', 1);
}

uint16_t DigitalBitOut(WordArgs w, float* f, char* c, char* r) {
    return BitOut(Call(w, f, c, r), kBitOut, {.stateFirst = true});
}

uint16_t DigitalOut_7016(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    if (call.model() != kOut7016)
        return TEV_MODULE_MODEL_NOT_SERVED;
    const std::uint32_t channel = call.arg(TEV_SLOT_ARG);
    if (channel > kMaxChannel7016)
        return TEV_MODULE_VALUE_OUT_OF_RANGE;
    Transaction t(call);
    t.begin('@').text("DO").digit(call.arg(TEV_SLOT_ARG7) != 0 ? 1 : 0).digit(channel);
    return t.run('!', 3);
}

uint16_t DigitalOutReadBack(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    Transaction t(call);
    t.begin('$').ch('6');
    return ReadField(t, {.rows = kReadBack, .clears = true});
}

uint16_t DigitalIn(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    Transaction t(call);
    if (FindModel(kAnalogIn, call.model())) {
        t.begin('@').text("DI");
        return ReadField(t, {.rows = kAnalogIn, .length = 8, .clears = true});
    }
    t.begin('$').ch('6');
    return ReadField(t, {.rows = kDioIn, .clears = true});
}

} // extern "C"
