// Host watchdog, reset status and configuration status of I-7000 modules.
#include "transaction.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule {
namespace {

// Sends "<lead>AA" and `fields` to any model and checks the reply ('!' and `length` characters).
std::uint16_t StatusCommand(Transaction& t, char lead, std::string_view fields, std::size_t length) noexcept {
    if (const auto rc = t.call().require(false))
        return rc;
    t.begin(lead).text(fields);
    return t.run('!', length);
}

} // namespace
} // namespace tev::iomodule

using namespace tev::iomodule;

extern "C" {

uint16_t HostIsOK(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    Transaction t(call);
    t.command().ch('~').text("**");
    return t.send();
}

uint16_t ToSetupHostWatchdog(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    const std::uint32_t enable = call.timeout() == 0 ? 0 : call.arg(TEV_SLOT_ARG);
    Transaction t(call);
    t.begin('~').ch('3').digit(enable).hex(call.arg(TEV_SLOT_ARG7), 2);
    return t.run('!', 3);
}

uint16_t ToReadHostWatchdog(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    Transaction t(call);
    if (const auto rc = StatusCommand(t, '~', "2", 6))
        return rc;
    return SetSlots(call, {{TEV_SLOT_ARG, t.reply().digit(3)}, {TEV_SLOT_ARG7, t.reply().hex(4, 2)}});
}

uint16_t ReadModuleHostWatchdogStatus(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    Transaction t(call);
    if (const auto rc = StatusCommand(t, '~', "0", 5))
        return rc;
    return SetSlots(call, {{TEV_SLOT_ARG, t.reply().digit(4)}});
}

uint16_t ResetModuleHostWatchdogStatus(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    Transaction t(call);
    return StatusCommand(t, '~', "1", 3);
}

uint16_t ReadModuleResetStatus(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    if (const auto rc = call.require(false))
        return rc;
    Transaction t(call);
    // The 7014 reads its reset status with "$AAR".
    const std::string_view command = call.model() == 0x7014 ? "R" : "5";
    if (const auto rc = StatusCommand(t, '$', command, 4))
        return rc;
    return SetSlots(call, {{TEV_SLOT_ARG, t.reply().digit(3)}});
}

uint16_t ReadConfigStatus(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    Transaction t(call);
    if (const auto rc = StatusCommand(t, '$', "2", 9))
        return rc;
    // Address, type code, baud code and format, two hex digits each from position 1.
    const Reply& reply = t.reply();
    return SetSlots(call, {{TEV_SLOT_ARG7, reply.hex(1, 2)},
                           {TEV_SLOT_ARG8, reply.hex(3, 2)},
                           {TEV_SLOT_ARG9, reply.hex(5, 2)},
                           {TEV_SLOT_ARG10, reply.hex(7, 2)}});
}

} // extern "C"
