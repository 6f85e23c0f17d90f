// Input event counters and input latches of I-7000 digital modules and 87K cards.
#include <span>

#include "digital_port.hpp"
#include "models.hpp"
#include "transaction.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule::digital {
namespace {

// The channel goes on the wire as one hex digit, so no channel above 15 can be addressed.
constexpr std::uint32_t kMaxWireChannel = 0xF;

// Model (17) and channel (24) of a counter command; the channel in slot 5.
std::uint16_t CheckCounter(const Call& call, std::span<const CounterModel> rows) noexcept {
    if (const auto rc = call.require(false))
        return rc;
    const CounterModel* row = FindModel(rows, call.model());
    if (!row)
        return TEV_MODULE_MODEL_NOT_SERVED;
    const std::uint32_t channel = call.arg(TEV_SLOT_ARG);
    if (channel > row->maxChannel || channel > kMaxWireChannel)
        return TEV_MODULE_COUNTER_CHANNEL;
    return TEV_MODULE_OK;
}

// "#AAN": slot 7 = the five decimal digits at positions 3-7 of "!AADDDDD".
std::uint16_t ReadCounter(const Call& call, std::span<const CounterModel> rows) noexcept {
    if (const auto rc = CheckCounter(call, rows))
        return rc;
    Transaction t(call);
    t.begin('#').ch(HexDigit(call.arg(TEV_SLOT_ARG)));
    if (const auto rc = t.run('!', 8))
        return rc;
    const auto count = t.reply().integer(3, 5);
    if (!count)
        return TEV_MODULE_INVALID_REPLY;
    call.slots.set(TEV_SLOT_ARG7, static_cast<std::uint32_t>(*count) & 0xFFFFu);
    return TEV_MODULE_OK;
}

// "$AACN": clears one counter.
std::uint16_t ClearCounter(const Call& call, std::span<const CounterModel> rows) noexcept {
    if (const auto rc = CheckCounter(call, rows))
        return rc;
    Transaction t(call);
    t.begin('$').ch('C').ch(HexDigit(call.arg(TEV_SLOT_ARG)));
    return t.run('!', 3);
}

// "$AAL0" (low latch, slot 5 = 0) or "$AAL1" (any other value): slot 7 = the row's field.
std::uint16_t ReadLatch(const Call& call, std::span<const FieldModel> rows, bool modelAfter) noexcept {
    if (const auto rc = call.require(false))
        return rc;
    Transaction t(call);
    t.begin('$').ch('L').digit(call.arg(TEV_SLOT_ARG) != 0 ? 1 : 0);
    return ReadField(t, {.rows = rows, .slot = TEV_SLOT_ARG7, .modelAfter = modelAfter});
}

// "$AAC": clears the latches of any module.
std::uint16_t ClearLatch(const Call& call) noexcept {
    if (const auto rc = call.require(false))
        return rc;
    Transaction t(call);
    t.begin('$').ch('C');
    return t.run('!', 3);
}

} // namespace
} // namespace tev::iomodule::digital

using namespace tev::iomodule;
using namespace tev::iomodule::digital;

extern "C" {

uint16_t DigitalInCounterRead(WordArgs w, float* f, char* c, char* r) {
    return ReadCounter(Call(w, f, c, r), kCounters);
}
uint16_t ClearDigitalInCounter(WordArgs w, float* f, char* c, char* r) {
    return ClearCounter(Call(w, f, c, r), kCounters);
}
uint16_t DigitalInLatch(WordArgs w, float* f, char* c, char* r) {
    return ReadLatch(Call(w, f, c, r), kLatch, false);
}
uint16_t ClearDigitalInLatch(WordArgs w, float* f, char* c, char* r) {
    return ClearLatch(Call(w, f, c, r));
}

uint16_t DigitalInCounterRead_87K(LongArgs w, float* f, char* c, char* r) {
    return ReadCounter(Call(Family::Card87K, w, f, c, r), kCounters87K);
}
uint16_t ClearDigitalInCounter_87K(LongArgs w, float* f, char* c, char* r) {
    return ClearCounter(Call(Family::Card87K, w, f, c, r), kCounters87K);
}
uint16_t DigitalInLatch_87K(LongArgs w, float* f, char* c, char* r) {
    return ReadLatch(Call(Family::Card87K, w, f, c, r), kLatch87K, true);
}
uint16_t ClearDigitalInLatch_87K(LongArgs w, float* f, char* c, char* r) {
    return ClearLatch(Call(Family::Card87K, w, f, c, r));
}

} // extern "C"
