// Domestic water meter: answers the read-data request in the domestic meter frame.
#include "tev/sim/mbus_meter.hpp"

#include "bcd.hpp"

#include <ctime>

namespace tev::sim {
namespace {

constexpr std::uint8_t kWakeUp = 0xFE;
constexpr std::uint8_t kStart = 0x68;
constexpr std::uint8_t kStop = 0x16;
constexpr std::uint8_t kWildcard = 0xAA;
constexpr std::uint8_t kReadData = 0x01;
constexpr std::uint8_t kReadDataReply = 0x81;
constexpr std::uint8_t kUnitCubicMetres = 0x2C;
constexpr std::size_t kHeader = 11; // 0x68, type, 7 address bytes, control, length
constexpr std::size_t kMaxData = 100;
constexpr std::size_t kMaxWakeUp = 16;

std::vector<std::uint8_t> ClockBytes() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    const int year = tm.tm_year + 1900;
    // Seconds first, year last (century byte after the year byte).
    return {detail::Bcd(static_cast<unsigned>(tm.tm_sec), 1)[0],
            detail::Bcd(static_cast<unsigned>(tm.tm_min), 1)[0],
            detail::Bcd(static_cast<unsigned>(tm.tm_hour), 1)[0],
            detail::Bcd(static_cast<unsigned>(tm.tm_mday), 1)[0],
            detail::Bcd(static_cast<unsigned>(tm.tm_mon + 1), 1)[0],
            detail::Bcd(static_cast<unsigned>(year % 100), 1)[0],
            detail::Bcd(static_cast<unsigned>(year / 100), 1)[0]};
}

} // namespace

DomesticMeter::DomesticMeter(DomesticMeterSpec spec) : m_spec(spec) {}

std::size_t DomesticMeter::frameLength(std::span<const std::uint8_t> bytes) const {
    std::size_t s = 0;
    while (s < bytes.size() && bytes[s] == kWakeUp)
        ++s;
    if (s > kMaxWakeUp)
        return kNotAFrame;
    if (s == bytes.size())
        return 0;
    if (bytes[s] != kStart)
        return kNotAFrame;
    // Without wake-up bytes, 68 L L 68 is an M-Bus long frame, not ours.
    if (s == 0 && bytes.size() >= 4 && bytes[1] == bytes[2] && bytes[3] == kStart)
        return kNotAFrame;
    if (bytes.size() < s + kHeader)
        return 0;
    const std::size_t length = bytes[s + 10];
    if (length > kMaxData)
        return kNotAFrame;
    const std::size_t end = s + length + 13;
    if (bytes.size() < end)
        return 0;
    // A damaged frame is not one: the line resynchronises on the next byte.
    const auto* data = bytes.data();
    const bool intact =
        bytes[end - 1] == kStop && detail::ByteSum(data + s, data + end - 2) == bytes[end - 2];
    return intact ? end : kNotAFrame;
}

Reply DomesticMeter::answer(std::span<const std::uint8_t> frame, const LineState& line) {
    if (frame.empty() || frameLength(frame) != frame.size())
        return {};
    if (line.baud != m_spec.baud)
        return {};
    std::size_t s = 0;
    while (frame[s] == kWakeUp)
        ++s;
    const auto body = frame.subspan(s, frame.size() - s - 2); // 0x68 up to the last data byte
    if (body[1] != m_spec.type && body[1] != kWildcard)
        return {};
    for (std::size_t i = 0; i < 7; ++i)
        if (body[2 + i] != m_spec.address[i] && body[2 + i] != kWildcard)
            return {};
    const bool readData = body[9] == kReadData && body[10] >= 3 &&
                          ((body[11] == 0x90 && body[12] == 0x1F) || (body[11] == 0x1F && body[12] == 0x90));
    if (!readData)
        return {};
    return readingReply(body[11], body[12]);
}

// The read-data reply: the meter's identity, the data identifier as asked (id1 id2), the current
// and settlement-day volume, its clock and status, behind the meter's wake-up bytes.
Reply DomesticMeter::readingReply(std::uint8_t id1, std::uint8_t id2) {
    const std::chrono::duration<double, std::ratio<3600>> hours =
        std::chrono::steady_clock::now() - m_started;
    const auto hundredths =
        static_cast<std::uint64_t>((m_spec.cubicMetres + m_spec.cubicMetresPerHour * hours.count()) * 100.0);
    std::vector<std::uint8_t> out{kStart, m_spec.type};
    out.insert(out.end(), m_spec.address.begin(), m_spec.address.end());
    out.insert(out.end(), {kReadDataReply, 0x16, id1, id2, ++m_sequence});
    for (int reading = 0; reading < 2; ++reading) { // current and settlement-day volume
        for (auto b : detail::Bcd(hundredths, 4))
            out.push_back(b);
        out.push_back(kUnitCubicMetres);
    }
    for (auto b : ClockBytes())
        out.push_back(b);
    out.insert(out.end(), {0x00, 0x00}); // status: valve open, battery good
    out.push_back(detail::ByteSum(out.data(), out.data() + out.size()));
    out.push_back(kStop);

    Reply reply;
    reply.bytes.assign(static_cast<std::size_t>(std::max(0, m_spec.wakeUpBytes)), kWakeUp);
    reply.bytes.insert(reply.bytes.end(), out.begin(), out.end());
    reply.checksumAt = reply.bytes.size() - 2;
    return reply;
}

} // namespace tev::sim
