// Analog output commands of 8000 cards: "#AASsCN" and the value, "$AASsCN6" to read it back.
#include "analog_output.hpp"
#include "models.hpp"
#include "transaction.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule {
namespace {

constexpr ChannelModel kOutputCards[] = {{0x8022, 2}, {0x8024, 4}, {0x5024, 4}};

// Checks model and channel, then starts "<lead>AASsCN".
std::uint16_t BeginCard(Transaction& t, char lead) noexcept {
    const Call& call = t.call();
    const auto [row, rc] = Serve(call, kOutputCards, true);
    if (!row)
        return rc;
    const std::uint32_t channel = call.arg(TEV_SLOT_ARG);
    if (!CardChannelFits(*row, channel))
        return TEV_MODULE_CHANNEL_OUT_OF_RANGE;
    t.begin(lead).cardChannel(call.arg(TEV_SLOT_ARG7), channel);
    return TEV_MODULE_OK;
}

} // namespace
} // namespace tev::iomodule

using namespace tev::iomodule;

extern "C" {

uint16_t AnalogOut_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    Transaction t(call);
    if (const auto rc = BeginCard(t, '#'))
        return rc;
    t.command().printf(7, "%+07.3f", call.getFloat(0));
    return t.run('>', 1);
}

uint16_t AnalogOutReadBack_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    Transaction t(call);
    if (const auto rc = BeginCard(t, '$'))
        return rc;
    t.command().ch('6');
    return RunReadBack(t, ReadBackValue::Decimal);
}

} // extern "C"
