// Digital outputs and inputs of 8000 cards (card slot in slot 7) and 87K cards.
#include "digital_port.hpp"
#include "models.hpp"
#include "transaction.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule::digital {
namespace {

// The port reads of the cards: "$AASs6" (8000, card slot in slot 7) or "$AA6" (87K) for any
// identifier, slot 5 cleared once the exchange has returned, the field chosen by model afterwards.
// The 8000 cards' fields are read by sscanf's rules.
std::uint16_t ReadCardPort(const Call& call, PortRead read) noexcept {
    if (const auto rc = call.require(false))
        return rc;
    Transaction t(call);
    Command& command = t.begin('$');
    const bool card8K = call.family == Family::Card8K;
    if (card8K)
        CardSlot(command, call);
    command.ch('6');
    read.modelAfter = true;
    read.clears = true;
    read.scan = card8K;
    return ReadField(t, read);
}

} // namespace
} // namespace tev::iomodule::digital

using namespace tev::iomodule;
using namespace tev::iomodule::digital;

extern "C" {

uint16_t DigitalOut_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    const CardPortModel* row = FindModel(kCardOut, call.model());
    if (!row)
        return TEV_MODULE_MODEL_NOT_SERVED;
    // The 8041 takes the whole 32-bit slot, every other card its low 16 bits.
    const std::uint32_t value = row->digits == 8 ? call.slots.whole(TEV_SLOT_ARG) : call.arg(TEV_SLOT_ARG);
    Transaction t(call);
    Command& command = CardSlot(t.begin(row->lead), call);
    if (row->lead == '#')
        command.text("00");
    command.hex(value & row->mask, row->digits);
    return t.run('>', 1);
}

uint16_t DigitalBitOut_8K(LongArgs w, float* f, char* c, char* r) {
    return BitOut(
        Call(Family::Card8K, w, f, c, r), kCardBitOut,
        {.bitSlot = TEV_SLOT_ARG8, .stateSlot = TEV_SLOT_ARG, .bitCode = TEV_MODULE_CHANNEL_OUT_OF_RANGE});
}

uint16_t DigitalIn_8K(LongArgs w, float* f, char* c, char* r) {
    return ReadCardPort(Call(Family::Card8K, w, f, c, r), {.rows = kCardIn, .length = 9});
}

uint16_t DigitalOutReadBack_8K(LongArgs w, float* f, char* c, char* r) {
    return ReadCardPort(Call(Family::Card8K, w, f, c, r), {.rows = kCardReadBack, .length = 9});
}

uint16_t DigitalOut_87K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card87K, w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    const PortModel* row = FindModel(kOut87K, call.model());
    if (!row)
        return TEV_MODULE_MODEL_NOT_SERVED;
    Transaction t(call);
    t.begin('@').hex(call.arg(TEV_SLOT_ARG) & row->mask, row->digits);
    return t.run('>', 1);
}

uint16_t DigitalBitOut_87K(LongArgs w, float* f, char* c, char* r) {
    return BitOut(Call(Family::Card87K, w, f, c, r), kBitOut87K,
                  {.bitCode = TEV_MODULE_CHANNEL_OUT_OF_RANGE});
}

uint16_t DigitalIn_87K(LongArgs w, float* f, char* c, char* r) {
    return ReadCardPort(Call(Family::Card87K, w, f, c, r), {.rows = kIn87K});
}

uint16_t DigitalOutReadBack_87K(LongArgs w, float* f, char* c, char* r) {
    return ReadCardPort(Call(Family::Card87K, w, f, c, r), {.rows = kReadBack87K});
}

} // extern "C"
