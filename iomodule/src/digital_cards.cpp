// Digital outputs and inputs of 8000 cards (card slot in slot 7) and 87K cards.
#include "digital_port.hpp"
#include "models.hpp"
#include "tev_module.h"
#include "transaction.hpp"

using namespace tev::iomodule;
using namespace tev::iomodule::digital;

extern "C" {

uint16_t DigitalOut_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    const CardPortModel* row = findModel(kCardOut, call.model());
    if (!row)
        return TEV_MODULE_MODEL_NOT_SERVED;
    // The 8041 takes the whole 32-bit slot, every other card its low 16 bits.
    const std::uint32_t value = row->digits == 8 ? call.slots.whole(TEV_SLOT_ARG) : call.arg(TEV_SLOT_ARG);
    Transaction t(call);
    Command& command = cardSlot(t.begin(row->lead), call);
    if (row->lead == '#')
        command.text("00");
    command.hex(value & row->mask, row->digits);
    return t.run('>', 1);
}

uint16_t DigitalBitOut_8K(LongArgs w, float* f, char* c, char* r) {
    return bitOut(
        Call(Family::Card8K, w, f, c, r), kCardBitOut,
        {.bitSlot = TEV_SLOT_ARG8, .stateSlot = TEV_SLOT_ARG, .bitCode = TEV_MODULE_CHANNEL_OUT_OF_RANGE});
}

uint16_t DigitalIn_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    Transaction t(call);
    cardSlot(t.begin('$'), call).ch('6');
    return readField(t, {.rows = kCardIn, .length = 9, .modelAfter = true, .clears = true, .scan = true});
}

uint16_t DigitalOutReadBack_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    Transaction t(call);
    cardSlot(t.begin('$'), call).ch('6');
    return readField(t,
                     {.rows = kCardReadBack, .length = 9, .modelAfter = true, .clears = true, .scan = true});
}

uint16_t DigitalOut_87K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card87K, w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    const PortModel* row = findModel(kOut87K, call.model());
    if (!row)
        return TEV_MODULE_MODEL_NOT_SERVED;
    Transaction t(call);
    t.begin('@').hex(call.arg(TEV_SLOT_ARG) & row->mask, row->digits);
    return t.run('>', 1);
}

uint16_t DigitalBitOut_87K(LongArgs w, float* f, char* c, char* r) {
    return bitOut(Call(Family::Card87K, w, f, c, r), kBitOut87K,
                  {.bitCode = TEV_MODULE_CHANNEL_OUT_OF_RANGE});
}

uint16_t DigitalIn_87K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card87K, w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    Transaction t(call);
    t.begin('$').ch('6');
    return readField(t, {.rows = kIn87K, .modelAfter = true, .clears = true});
}

uint16_t DigitalOutReadBack_87K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card87K, w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    Transaction t(call);
    t.begin('$').ch('6');
    return readField(t, {.rows = kReadBack87K, .modelAfter = true, .clears = true});
}

} // extern "C"
