// Configuration status and start-up values of 8000 and 87K analog output cards.
#include "family_steps.hpp"
#include "models.hpp"
#include "transaction.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule {
namespace {

constexpr ChannelModel kCards8K[] = {{0x8022, 2}, {0x8024, 4}, {0x5024, 4}};
constexpr ChannelModel kCards87K[] = {{0x87024, 4}};

// Slot 8 = the range code at position 3; slot 9 = the upper six bits of the format field at `format`.
std::uint16_t ReadConfiguration(const Call& call, std::size_t format) noexcept {
    Transaction t(call);
    const bool card8K = call.family == Family::Card8K;
    if (const auto rc = card8K ? BeginChannel(t, kCards8K, false) : BeginChannel(t, kCards87K, false))
        return rc;
    t.command().ch(card8K ? 'B' : '2');
    if (const auto rc = t.run('!', card8K ? 7 : 9))
        return rc;
    const auto range = t.reply().hex(3, 2);
    const auto bits = t.reply().hex(format, 2);
    return SetSlots(
        call, {{TEV_SLOT_ARG8, range}, {TEV_SLOT_ARG9, bits ? std::optional(*bits >> 2) : std::nullopt}});
}

// "$AASsCN4" (8000) or "$AA4N" (87K): the present output becomes the start-up value.
template <std::size_t N>
std::uint16_t StoreStartUp(const Call& call, const ChannelModel (&rows)[N]) noexcept {
    Transaction t(call);
    if (const auto rc = BeginChannel(t, rows, false))
        return rc;
    t.command().ch('4');
    if (call.family == Family::Card87K)
        t.command().digit(call.arg(TEV_SLOT_ARG));
    return t.run('!', 3);
}

// "$AASsCN6" (8000) or "$AA7N" (87K): float slot 0 = the six characters from position 3.
template <std::size_t N> std::uint16_t ReadStartUp(const Call& call, const ChannelModel (&rows)[N]) noexcept {
    Transaction t(call);
    if (const auto rc = BeginChannel(t, rows, true))
        return rc;
    if (call.family == Family::Card87K)
        t.command().ch('7').digit(call.arg(TEV_SLOT_ARG));
    else
        t.command().ch('6');
    if (const auto rc = t.run('!', kAnyLength))
        return rc;
    const auto value = LeadingDecimal(t.reply(), 3, 6);
    if (!value)
        return TEV_MODULE_INVALID_REPLY;
    call.setFloat(0, *value);
    return TEV_MODULE_OK;
}

} // namespace
} // namespace tev::iomodule

using namespace tev::iomodule;

extern "C" {

uint16_t ReadConfigurationStatus_8K(LongArgs w, float* f, char* c, char* r) {
    return ReadConfiguration(Call(Family::Card8K, w, f, c, r), 5);
}
uint16_t SetStartUpValue_8K(LongArgs w, float* f, char* c, char* r) {
    return StoreStartUp(Call(Family::Card8K, w, f, c, r), kCards8K);
}
uint16_t ReadStartUpValue_8K(LongArgs w, float* f, char* c, char* r) {
    return ReadStartUp(Call(Family::Card8K, w, f, c, r), kCards8K);
}

uint16_t ReadConfigurationStatus_87K(LongArgs w, float* f, char* c, char* r) {
    return ReadConfiguration(Call(Family::Card87K, w, f, c, r), 7);
}
uint16_t SetStartUpValue_87K(LongArgs w, float* f, char* c, char* r) {
    return StoreStartUp(Call(Family::Card87K, w, f, c, r), kCards87K);
}
uint16_t ReadStartUpValue_87K(LongArgs w, float* f, char* c, char* r) {
    return ReadStartUp(Call(Family::Card87K, w, f, c, r), kCards87K);
}

} // extern "C"
