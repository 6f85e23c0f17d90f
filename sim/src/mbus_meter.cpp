// M-Bus meters: primary and secondary addressing, address change, deselection and RSP_UD
// (EN 13757-2 link layer, EN 13757-3 application layer).
#include "tev/sim/mbus_meter.hpp"

#include "bcd.hpp"

namespace tev::sim {
namespace {

constexpr std::uint8_t kAck = 0xE5;
constexpr std::uint8_t kShortStart = 0x10;
constexpr std::uint8_t kLongStart = 0x68;
constexpr std::uint8_t kStop = 0x16;
// C fields without the FCB/FCV bits (EN 13757-2, 5.5).
constexpr std::uint8_t kSndNke = 0x40;
constexpr std::uint8_t kSndUd = 0x53;
constexpr std::uint8_t kReqUd2 = 0x5B;
constexpr std::uint8_t kRspUd = 0x08;
// Addresses (EN 13757-2, 5.6): 253 selected by secondary address, 254 test, 255 broadcast.
constexpr std::uint8_t kMaxPrimary = 250;
constexpr std::uint8_t kSelected = 0xFD;
constexpr std::uint8_t kTest = 0xFE;
constexpr std::uint8_t kBroadcast = 0xFF;
// CI fields (EN 13757-3): application reset, data send, selection, variable data response.
constexpr std::uint8_t kCiReset = 0x50;
constexpr std::uint8_t kCiDataSend = 0x51;
constexpr std::uint8_t kCiSelect = 0x52;
constexpr std::uint8_t kCiVariableData = 0x72;
// Record of a new primary address: DIF 8-bit integer, VIF bus address.
constexpr std::uint8_t kDifInt8 = 0x01;
constexpr std::uint8_t kVifBusAddress = 0x7A;

Reply Ack() {
    return Reply{{kAck}, 0};
}

bool IdMatches(std::span<const std::uint8_t> pattern, std::uint32_t id) {
    const auto digits = detail::Bcd(id, 4);
    for (std::size_t i = 0; i < 4; ++i)
        for (int shift : {0, 4}) {
            const int want = pattern[i] >> shift & 0x0F;
            if (want != 0x0F && want != (digits[i] >> shift & 0x0F))
                return false;
        }
    return true;
}

bool ByteMatches(std::uint8_t pattern, std::uint8_t value) {
    return pattern == 0xFF || pattern == value;
}

} // namespace

MbusMeterBank::MbusMeterBank(std::vector<MbusMeterSpec> meters) {
    for (auto& spec : meters)
        m_meters.push_back(Meter{spec});
}

std::size_t MbusMeterBank::frameLength(std::span<const std::uint8_t> bytes) const {
    if (bytes.empty())
        return 0;
    std::size_t length = 5;
    std::size_t summed = 1; // first byte under the checksum
    if (bytes[0] == kLongStart) {
        if (bytes.size() < 4)
            return 0;
        if (bytes[1] != bytes[2] || bytes[3] != kLongStart || bytes[1] < 3)
            return kNotAFrame;
        length = std::size_t{bytes[1]} + 6;
        summed = 4;
    } else if (bytes[0] != kShortStart) {
        return kNotAFrame;
    }
    if (bytes.size() < length)
        return 0;
    // A damaged frame is not one: the line resynchronises on the next byte.
    const auto* data = bytes.data();
    const bool intact =
        bytes[length - 1] == kStop && detail::ByteSum(data + summed, data + length - 2) == bytes[length - 2];
    return intact ? length : kNotAFrame;
}

Reply MbusMeterBank::answer(std::span<const std::uint8_t> frame, const LineState& line) {
    if (frameLength(frame) != frame.size()) // also checks the checksum and the stop byte
        return {};
    std::lock_guard lock(m_mutex);
    if (frame[0] == kShortStart)
        return shortFrame(frame[1], frame[2], line.baud);
    return longFrame(frame, line.baud);
}

std::vector<MbusMeterBank::Meter*> MbusMeterBank::addressed(std::uint8_t address, std::uint32_t baud) {
    std::vector<Meter*> out;
    for (auto& meter : m_meters) {
        if (meter.spec.baud != baud)
            continue;
        const bool hit = (address <= kMaxPrimary && meter.spec.primary == address) ||
                         (address == kSelected && meter.selected) || address == kTest ||
                         address == kBroadcast;
        if (hit)
            out.push_back(&meter);
    }
    return out;
}

Reply MbusMeterBank::shortFrame(std::uint8_t control, std::uint8_t address, std::uint32_t baud) {
    const auto targets = addressed(address, baud);
    if (control == kSndNke) {
        for (auto* meter : targets)
            if (address == kSelected || address == kBroadcast)
                meter->selected = false;
        return targets.empty() || address == kBroadcast ? Reply{} : Ack();
    }
    if ((control & 0xDF) == kReqUd2 && !targets.empty() && address != kBroadcast)
        return userData(*targets.front());
    return {};
}

Reply MbusMeterBank::longFrame(std::span<const std::uint8_t> frame, std::uint32_t baud) {
    const std::uint8_t control = frame[4];
    const std::uint8_t address = frame[5];
    const std::uint8_t ci = frame[6];
    const auto data = frame.subspan(7, frame.size() - 9);
    if ((control & 0xDF) != kSndUd)
        return {};
    if (ci == kCiSelect)
        return address == kSelected ? select(data, baud) : Reply{};
    const auto targets = addressed(address, baud);
    if (targets.empty())
        return {};
    if (ci == kCiDataSend && data.size() == 3 && data[0] == kDifInt8 && data[1] == kVifBusAddress &&
        data[2] <= kMaxPrimary) {
        for (auto* meter : targets)
            meter->spec.primary = data[2];
    } else if (ci != kCiDataSend && ci != kCiReset) {
        return {};
    }
    return address == kBroadcast ? Reply{} : Ack();
}

Reply MbusMeterBank::select(std::span<const std::uint8_t> data, std::uint32_t baud) {
    if (data.size() < 8)
        return {};
    bool any = false;
    for (auto& meter : m_meters) {
        if (meter.spec.baud != baud)
            continue;
        const auto& s = meter.spec;
        meter.selected = IdMatches(data.first(4), s.id) &&
                         ByteMatches(data[4], static_cast<std::uint8_t>(s.manufacturer & 0xFF)) &&
                         ByteMatches(data[5], static_cast<std::uint8_t>(s.manufacturer >> 8)) &&
                         ByteMatches(data[6], s.version) && ByteMatches(data[7], s.medium);
        any = any || meter.selected;
    }
    return any ? Ack() : Reply{};
}

Reply MbusMeterBank::userData(Meter& meter) {
    const auto& s = meter.spec;
    const std::chrono::duration<double, std::ratio<3600>> hours =
        std::chrono::steady_clock::now() - m_started;
    const auto litres = static_cast<std::uint64_t>(s.litres + s.litresPerHour * hours.count());
    std::vector<std::uint8_t> body{kRspUd, s.primary, kCiVariableData};
    for (auto b : detail::Bcd(s.id, 4))
        body.push_back(b);
    body.insert(body.end(), {static_cast<std::uint8_t>(s.manufacturer & 0xFF),
                             static_cast<std::uint8_t>(s.manufacturer >> 8), s.version, s.medium,
                             meter.accessNumber++, 0x00, 0x00, 0x00});
    body.insert(body.end(), {0x0C, 0x13}); // 8-digit BCD, volume in litres
    for (auto b : detail::Bcd(litres, 4))
        body.push_back(b);
    body.insert(body.end(), {0x0B, 0x3B}); // 6-digit BCD, volume flow in l/h
    for (auto b : detail::Bcd(static_cast<std::uint64_t>(s.litresPerHour), 3))
        body.push_back(b);

    Reply reply;
    const auto length = static_cast<std::uint8_t>(body.size());
    reply.bytes.reserve(body.size() + 6);
    for (auto b : {kLongStart, length, length, kLongStart})
        reply.bytes.push_back(b);
    for (auto b : body)
        reply.bytes.push_back(b);
    reply.bytes.push_back(detail::ByteSum(body.data(), body.data() + body.size()));
    reply.bytes.push_back(kStop);
    reply.checksumAt = reply.bytes.size() - 2;
    return reply;
}

std::vector<MbusMeterSpec> MbusMeterBank::meters() const {
    std::lock_guard lock(m_mutex);
    std::vector<MbusMeterSpec> out;
    for (const auto& meter : m_meters)
        out.push_back(meter.spec);
    return out;
}

std::optional<std::size_t> MbusMeterBank::selected() const {
    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < m_meters.size(); ++i)
        if (m_meters[i].selected)
            return i;
    return std::nullopt;
}

} // namespace tev::sim
