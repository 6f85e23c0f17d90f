// All-channel analog input scans: AnalogInAll, AnalogIn8, In8_7017, AnalogInAllHex and the card scans.
#include <array>
#include <cstring>

#include "analog_reading.hpp"
#include "transaction.hpp"
#include "wire.hpp"
#include <tev/tev_module.h>

namespace tev::iomodule {
namespace {

// Scans answer '>' and one seven-character field per channel ("+01.234").
constexpr std::size_t kFieldWidth = 7;
constexpr std::size_t kMaxChannels = 8;

struct ScanModel {
    std::uint32_t model = 0;
    std::uint8_t channels = 0;
    std::size_t length = 0; // the reply's length without checksum
};

// The 4033 and 8033 are left out: the per-channel reading of the 3-channel scan does not serve them,
// so a scan of theirs could produce no value.
constexpr ScanModel kAnalogInAll[] = {{0x4017, 8, 57}, {0x4018, 8, 57}, {0x7017, 8, 57}, {0x7018, 8, 57},
                                      {0x8017, 8, 57}, {0x8018, 8, 57}, {0x7033, 3, 22}};
constexpr ScanModel kAnalogIn8[] = {{0x7017, 8, 57}, {0x7018, 8, 57}};
constexpr ScanModel kAnalogInAll8K[] = {
    {0x8013, 4, 30}, {0x8017, 8, 58}, {0x8018, 8, 58}, {0x5017, 8, 58}, {0x5018, 8, 58}};
constexpr ScanModel kAnalogInAll87K[] = {{0x87013, 4, 29}, {0x87017, 8, 57}, {0x87018, 8, 57}};

// The 3-channel scan reads its values channel by channel, as AnalogIn reads a 7033.
constexpr ChannelModel kThreeChannelReading{0x7033, 3};
// After the exchange float slots 0-6 read 0.0 until values arrive; float slot 7 keeps its value.
constexpr std::size_t kClearedOnFailure = 7;

// Full scale per input range code of In8_7017.
struct RangeCode {
    std::uint32_t model = 0; // the range code, looked up like a model
    double fullScale = 0.0;
};
constexpr RangeCode kIn8Ranges[] = {{8, 10.0}, {9, 5.0}, {10, 1.0}, {11, 500.0}, {12, 150.0}, {13, 20.0}};

// Each channel's seven-character field, converted on its own, into float slots 0 ... channels - 1.
std::uint16_t StoreFields(const Call& call, const Reply& reply, std::size_t channels) noexcept {
    std::array<double, kMaxChannels> values{};
    for (std::size_t k = 0; k < channels && k < values.size(); ++k) {
        const auto value = reply.decimal(1 + k * kFieldWidth, kFieldWidth);
        if (!value)
            return TEV_MODULE_INVALID_REPLY;
        values[k] = *value;
    }
    for (std::size_t k = 0; k < channels && k < values.size(); ++k)
        call.setFloat(k, values[k]);
    return TEV_MODULE_OK;
}

std::uint16_t ScanThreeChannels(const Call& call) noexcept {
    std::array<double, 3> values{};
    std::uint16_t result = TEV_MODULE_OK;
    for (std::uint32_t channel = 0; channel < values.size(); ++channel) {
        call.slots.set(TEV_SLOT_ARG, channel);
        const std::uint16_t rc = ReadChannel(call, kThreeChannelReading, Reading::Value);
        values[channel] = call.getFloat(0);
        if (result == TEV_MODULE_OK)
            result = rc;
    }
    for (std::size_t k = 0; k < values.size(); ++k)
        call.setFloat(k, values[k]);
    return result;
}

// The 8000 and 87K scans take a reply that starts with '>' or has the expected length.
std::uint16_t ScanCard(Transaction& t, const ScanModel& row, Trace trace) noexcept {
    if (const auto status = t.exchange(trace))
        return status;
    const std::size_t expected = row.length + (t.call().checksum() ? 2 : 0);
    if (t.reply().first() != '>' && t.reply().text().size() != expected)
        return TEV_MODULE_INVALID_REPLY;
    return StoreFields(t.call(), t.reply(), row.channels);
}

double ScaleHex(std::uint32_t h, double fullScale) noexcept {
    constexpr double kPositiveFull = 32767.0;
    if (h < 0x8000)
        return static_cast<double>(h) / kPositiveFull * fullScale;
    return -(static_cast<double>(0xFFFF - h) / kPositiveFull * fullScale);
}

// Cuts the reply's data into the text fields of AnalogInAllHex, 100 characters apart. A reply never
// fills more than TEV_MODULE_HEX_TEXT_FIELDS fields, however it is cut (a garbled "+-+-..." would
// otherwise make one field of every character).
void StoreTexts(std::string_view data, char* texts) noexcept {
    constexpr std::size_t kTextField = 100;
    constexpr std::size_t kHexField = 4;
    const bool decimal = !data.empty() && (data.front() == '+' || data.front() == '-');
    std::size_t k = 0;
    while (!data.empty() && k < TEV_MODULE_HEX_TEXT_FIELDS) {
        std::size_t n = kHexField;
        if (decimal)
            n = std::min(data.find_first_of("+-", 1), data.size());
        if (n > data.size())
            break; // a last hex field that is not whole
        std::memcpy(texts + k * kTextField, data.data(), n);
        texts[k * kTextField + n] = '\0';
        data.remove_prefix(n);
        ++k;
    }
}

} // namespace
} // namespace tev::iomodule

using namespace tev::iomodule;

extern "C" {

uint16_t AnalogInAll(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    const auto [row, rc] = Serve(call, kAnalogInAll, true);
    if (!row)
        return rc;
    Transaction t(call);
    t.begin('#');
    if (const auto code = t.clearing(kClearedOnFailure).run('>', row->length))
        return code;
    if (row->channels == 3)
        return ScanThreeChannels(call);
    return StoreFields(call, t.reply(), row->channels);
}

uint16_t AnalogIn8(WordArgs w, float* f, char* c, char* r) {
    const Call call(w, f, c, r);
    const auto [row, rc] = Serve(call, kAnalogIn8, true);
    if (!row)
        return rc;
    Transaction t(call);
    t.begin('#');
    if (const auto code = t.run('>', row->length, Trace::NonZeroAfterSuccess))
        return code;
    return StoreFields(call, t.reply(), row->channels);
}

uint16_t In8_7017(WordArgs w, float* f, char* c, char* r) {
    constexpr std::size_t kChannels = 8;
    constexpr std::size_t kHexField = 4;
    const Call call(w, f, c, r);
    const auto [range, rc] = Serve(call, kIn8Ranges, true);
    if (!range)
        return rc;
    Transaction t(call);
    t.begin('$').ch('A');
    if (const auto code = t.clearing(kClearedOnFailure).run('>', 1 + kChannels * kHexField))
        return code;
    std::array<double, kChannels> values{};
    for (std::size_t k = 0; k < kChannels; ++k) {
        const auto field = t.reply().field(1 + k * kHexField, kHexField);
        const auto h = field ? ParseHex(*field) : std::nullopt;
        if (!h)
            return TEV_MODULE_INVALID_REPLY;
        values[k] = ScaleHex(*h, range->fullScale);
    }
    for (std::size_t k = 0; k < kChannels; ++k)
        call.setFloat(k, values[k]);
    return TEV_MODULE_OK;
}

uint16_t AnalogInAllHex(WordArgs w, char* texts, char* c, char* r) {
    const Call call(w, nullptr, c, r);
    if (!call.slots.valid() || !texts)
        return TEV_MODULE_NULL_ARGUMENT;
    Transaction t(call);
    t.begin('#');
    const bool traced = call.traceFlag() == 1;
    if (traced)
        t.clearReplyTrace();
    if (const auto status = t.exchange(Trace::Off))
        return status;
    const auto data = t.reply().from(1);
    if (!data)
        return TEV_MODULE_INVALID_REPLY;
    StoreTexts(*data, texts);
    if (traced)
        t.copyReplyTrace();
    return TEV_MODULE_OK;
}

uint16_t AnalogInAll_8K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card8K, w, f, c, r);
    const auto [row, rc] = Serve(call, kAnalogInAll8K, true);
    if (!row)
        return rc;
    Transaction t(call);
    t.begin('#').ch('S').printf(8, "%01X", static_cast<unsigned>(call.arg(TEV_SLOT_ARG7)));
    return ScanCard(t, *row, Trace::NonZeroAfterSuccess);
}

uint16_t AnalogInAll_87K(LongArgs w, float* f, char* c, char* r) {
    const Call call(Family::Card87K, w, f, c, r);
    const auto [row, rc] = Serve(call, kAnalogInAll87K, true);
    if (!row)
        return rc;
    Transaction t(call);
    t.begin('#');
    return ScanCard(t, *row, Trace::NonZeroAfterExchange);
}

} // extern "C"
