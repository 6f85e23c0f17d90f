// Single-channel analog input readings of I-7000 modules, 8000 cards and 87K cards.
#include "analog_reading.hpp"
#include "transaction.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule {
namespace {

constexpr ChannelModel kAnalogIn[] = {{0x7011, 0}, {0x7012, 0}, {0x7013, 0}, {0x7014, 0},
                                      {0x7016, 0}, {0x7017, 8}, {0x7018, 8}, {0x7033, 3}};
constexpr ChannelModel kAnalogInFsr[] = {{0x7011, 0}, {0x7012, 0}, {0x7013, 0}, {0x7014, 0},
                                         {0x7017, 8}, {0x7018, 8}, {0x7033, 3}};
constexpr ChannelModel kAnalogIn8K[] = {{0x8013, 4}, {0x5013, 4}, {0x8017, 8},      {0x8018, 8},
                                        {0x5017, 8}, {0x5018, 8}, {0x8033, 4, '$'}, {0x5033, 4, '$'}};
constexpr ChannelModel kAnalogInFsr8K[] = {{0x8013, 4}, {0x5013, 4}, {0x8017, 8},
                                           {0x8018, 8}, {0x5017, 8}, {0x5018, 8}};
constexpr ChannelModel kAnalogIn87K[] = {{0x87013, 4}, {0x87017, 8}, {0x87018, 8}, {0x87033, 4, '$'}};
constexpr ChannelModel kAnalogInFsr87K[] = {{0x87013, 4}, {0x87017, 8}, {0x87018, 8}};
constexpr ChannelModel kThermocouple[] = {{0x7011, 0}};

// Length of the out-of-range replies ">-0000" and ">+9999". The 8000 and 87K readings also take
// them with one more character, as that is how the card readings have been answered before; the
// cards themselves send the six characters, which must not pass as a reading of 0.

// Float slot 0 holds the reading, or is cleared by it: all but the I-7000 hex reading.
bool UsesFloat(const Call& call, Reading reading) noexcept {
    return reading == Reading::Value || call.family != Family::I7000;
}

template <class Rows> std::uint16_t ReadSingle(const Call& call, const Rows& rows, Reading reading) noexcept {
    const auto [row, rc] = Serve(call, rows, UsesFloat(call, reading));
    if (!row)
        return rc;
    const std::uint32_t channel = call.arg(TEV_SLOT_ARG);
    if (!(call.family == Family::Card8K ? CardChannelFits(*row, channel) : ChannelFits(*row, channel)))
        return TEV_MODULE_CHANNEL_OUT_OF_RANGE;
    return ReadChannel(call, *row, reading);
}

std::uint16_t CheckRange(const Call& call, const Reply& reply) noexcept {
    constexpr std::size_t kRangeReply = 6;
    const std::size_t length = reply.data().size();
    const bool card = call.family != Family::I7000;
    if (length != kRangeReply && !(card && length == kRangeReply + 1))
        return TEV_MODULE_OK;
    if (reply.data().starts_with(">-0000"))
        return TEV_MODULE_BELOW_RANGE;
    if (reply.data().starts_with(">+9999"))
        return TEV_MODULE_ABOVE_RANGE;
    return TEV_MODULE_OK;
}

} // namespace

std::uint16_t ReadChannel(const Call& call, const ChannelModel& row, Reading reading) noexcept {
    const std::uint32_t channel = call.arg(TEV_SLOT_ARG);
    Transaction t(call);
    Command& command = t.begin(row.lead);
    if (call.family == Family::Card8K)
        command.cardChannel(call.arg(TEV_SLOT_ARG7), channel);
    else if (row.channels != 0)
        command.digit(channel);
    if (const auto rc = t.clearing(UsesFloat(call, reading) ? 1 : 0).run('>', kAnyLength))
        return rc;
    if (const auto rc = CheckRange(call, t.reply()))
        return rc;
    if (reading == Reading::Hex) {
        const auto value = t.reply().hex(1, 4);
        if (!value)
            return TEV_MODULE_INVALID_REPLY;
        call.slots.set(TEV_SLOT_ARG7, *value & 0xFFFFu);
        return TEV_MODULE_OK;
    }
    return SetFloats(call, {t.reply().decimalFrom(1)});
}

} // namespace tev::iomodule

using namespace tev::iomodule;

extern "C" {

uint16_t AnalogIn(WordArgs w, float* f, char* c, char* r) {
    return ReadSingle(Call(w, f, c, r), kAnalogIn, Reading::Value);
}
uint16_t AnalogInFsr(WordArgs w, float* f, char* c, char* r) {
    return ReadSingle(Call(w, f, c, r), kAnalogInFsr, Reading::Value);
}
uint16_t AnalogInHex(WordArgs w, float* f, char* c, char* r) {
    return ReadSingle(Call(w, f, c, r), kAnalogInFsr, Reading::Hex);
}
uint16_t AnalogIn_8K(LongArgs w, float* f, char* c, char* r) {
    return ReadSingle(Call(Family::Card8K, w, f, c, r), kAnalogIn8K, Reading::Value);
}
uint16_t AnalogInFsr_8K(LongArgs w, float* f, char* c, char* r) {
    return ReadSingle(Call(Family::Card8K, w, f, c, r), kAnalogInFsr8K, Reading::Value);
}
uint16_t AnalogInHex_8K(LongArgs w, float* f, char* c, char* r) {
    return ReadSingle(Call(Family::Card8K, w, f, c, r), kAnalogInFsr8K, Reading::Hex);
}
uint16_t AnalogIn_87K(LongArgs w, float* f, char* c, char* r) {
    return ReadSingle(Call(Family::Card87K, w, f, c, r), kAnalogIn87K, Reading::Value);
}
uint16_t AnalogInFsr_87K(LongArgs w, float* f, char* c, char* r) {
    return ReadSingle(Call(Family::Card87K, w, f, c, r), kAnalogInFsr87K, Reading::Value);
}
uint16_t AnalogInHex_87K(LongArgs w, float* f, char* c, char* r) {
    return ReadSingle(Call(Family::Card87K, w, f, c, r), kAnalogInFsr87K, Reading::Hex);
}

uint16_t ThermocoupleOpen_7011(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto [row, rc] = Serve(call, kThermocouple, false); !row)
        return rc;
    Transaction t(call);
    t.begin('$').ch('B');
    if (const auto rc = t.run('!', 4))
        return rc;
    return SetSlots(call, {{TEV_SLOT_ARG, t.reply().digit(3)}});
}

} // extern "C"
