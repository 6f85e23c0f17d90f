// Linear mapping of 7014 and 7016 modules: a source range of the input mapped onto a target range.
#include <chrono>
#include <cmath>

#include "alarm_types.hpp"
#include "models.hpp"
#include "transaction.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule {
namespace {

using namespace std::chrono_literals;

// The lead character of the model's mapping commands and the digits of its range read commands.
struct MapModel {
    std::uint32_t model = 0;
    char lead = '$';
    char readSource = '3';
    char readTarget = '5';
};
constexpr MapModel kMapModels[] = {{0x7014, '$', '3', '5'}, {0x7016, '@', '6', '7'}};

// The module stores a range before it takes the next command.
constexpr auto kStorePause = 100ms;
// What float slots 0-6 read while a range has not been read.
constexpr float kNotRead = 1.1F;
constexpr std::size_t kMarkedFloats = 7;

// Checks the model (`floats`: and the float block) and starts the command with the model's lead
// character and the address.
const MapModel* BeginMap(Transaction& t, bool floats, std::uint16_t& code) noexcept {
    const auto [row, rc] = Serve(t.call(), kMapModels, floats);
    code = rc;
    if (row)
        t.begin(row->lead);
    return row;
}

// Sends the model's lead character, the address and `fields`, expecting the bare acknowledgement.
std::uint16_t MapCommand(const Call& call, std::string_view fields) noexcept {
    Transaction t(call);
    std::uint16_t code = 0;
    if (!BeginMap(t, false, code))
        return code;
    t.command().text(fields);
    return t.run('!', 3);
}

// Reads a range (two seven-character fields at positions 3 and 10) into float slots 0 and 1.
std::uint16_t ReadRange(const Call& call, char MapModel::*digit) noexcept {
    Transaction t(call);
    std::uint16_t code = 0;
    const MapModel* row = BeginMap(t, true, code);
    if (!row)
        return code;
    t.command().ch(row->*digit);
    const std::uint16_t status = t.exchange();
    call.clearFloats(kMarkedFloats, kNotRead);
    if (status)
        return status;
    if (const auto rc = t.expect('!', 17))
        return rc;
    return SetFloats(call, {t.reply().decimal(3, 7), t.reply().decimal(10, 7)});
}

// Checks the type code and the source range against it (steps before any traffic).
std::uint16_t CheckSource(const Call& call, double low, double high, const InputType*& input) noexcept {
    const std::uint32_t type = call.arg(TEV_SLOT_ARG7);
    if (call.model() == 0x7016 && type > k7016TypeMax)
        return TEV_MODULE_ABOVE_RANGE;
    if (low > high)
        return TEV_MODULE_VALUE_OUT_OF_RANGE;
    input = FindInputType(type);
    if (!input)
        return TEV_MODULE_MODEL_NOT_SERVED;
    if (std::isnan(low) || std::isnan(high) || high > input->high)
        return TEV_MODULE_ABOVE_RANGE;
    if (low < input->low)
        return TEV_MODULE_BELOW_RANGE;
    return TEV_MODULE_OK;
}

} // namespace
} // namespace tev::iomodule

using namespace tev::iomodule;

extern "C" {

uint16_t SetupLinearMapping(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    const auto [row, refused] = Serve(call, kMapModels, true);
    if (!row)
        return refused;
    const InputType* input = nullptr;
    if (const auto rc = CheckSource(call, call.getFloat(0), call.getFloat(1), input))
        return rc;
    // Within the type's range every source value fits its seven characters.
    Transaction t(call);
    t.begin(row->lead).ch('6');
    t.command().text(SevenChars(call.getFloat(0), input->decimals).view());
    t.command().text(SevenChars(call.getFloat(1), input->decimals).view());
    if (const auto rc = t.run('!', 3))
        return rc;
    AlarmPause(kStorePause);
    const NumberText low = TargetText(call.getFloat(2));
    if (low.code)
        return low.code;
    const NumberText high = TargetText(call.getFloat(3));
    if (high.code)
        return high.code;
    t.begin(row->lead).ch('7').text(low.view()).text(high.view());
    if (const auto rc = t.run('!', 3))
        return rc;
    AlarmPause(kStorePause);
    return TEV_MODULE_OK;
}

uint16_t EnableLinearMapping(WordArgs w, float* f, char* c, char* r) {
    return MapCommand(Call(w, f, c, r), "A1");
}
uint16_t DisableLinearMapping(WordArgs w, float* f, char* c, char* r) {
    return MapCommand(Call(w, f, c, r), "A0");
}

uint16_t ReadLinearMappingStatus(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    Transaction t(call);
    std::uint16_t code = 0;
    if (!BeginMap(t, false, code))
        return code;
    t.command().ch('A');
    if (const auto rc = t.run('!', 4))
        return rc;
    return SetSlots(call, {{TEV_SLOT_ARG, t.reply().digit(3)}});
}

uint16_t ReadSourceValueOfLM(WordArgs w, float* f, char* c, char* r) {
    return ReadRange(Call(w, f, c, r), &MapModel::readSource);
}
uint16_t ReadTargetValueOfLM(WordArgs w, float* f, char* c, char* r) {
    return ReadRange(Call(w, f, c, r), &MapModel::readTarget);
}

} // extern "C"
