#include "tev/sim/measuring_module.hpp"

#include "bcd.hpp"
#include "cr_line.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tev::sim {
namespace {

using detail::kCr;
constexpr std::uint8_t kMaxSensors = 64;

} // namespace

MeasuringModule::MeasuringModule(MeasuringModuleSpec spec) : m_spec(std::move(spec)) {
    for (auto& n : m_spec.sensors)
        n = std::min(n, kMaxSensors);
}

std::size_t MeasuringModule::frameLength(std::span<const std::uint8_t> bytes) const {
    return detail::CrLineLength(bytes);
}

double MeasuringModule::temperature(int channel, int sensor, double seconds) {
    const double base = channel == 1 ? -20.0 : 25.0;
    return base + 0.5 * sensor + 5.0 * std::sin(seconds / 20.0 + 0.7 * sensor);
}

std::uint16_t MeasuringModule::encode(double celsius) {
    const auto steps = static_cast<std::int16_t>(std::lround(celsius * 16.0));
    return static_cast<std::uint16_t>(steps);
}

Reply MeasuringModule::answer(std::span<const std::uint8_t> frame, const LineState& line) {
    if (frameLength(frame) != frame.size() || line.baud != m_spec.baud)
        return {};
    const std::string_view text(reinterpret_cast<const char*>(frame.data()), frame.size() - 1);
    if (text.size() != 4 || text.substr(1, 2) != m_spec.address)
        return {};
    if (text[0] == '$' && text[3] == '6') {
        char reply[32];
        std::snprintf(reply, sizeof reply, "!%s00", m_spec.address.c_str());
        std::string out = reply;
        for (auto n : m_spec.sensors) {
            std::snprintf(reply, sizeof reply, "%02X", n);
            out += reply;
        }
        out.push_back(static_cast<char>(kCr));
        return Reply{{out.begin(), out.end()}, out.size() - 2};
    }
    if (text[0] == '#' && text[3] >= '0' && text[3] <= '7')
        return values(text[3] - '0');
    return {};
}

Reply MeasuringModule::values(int channel) {
    const std::uint8_t count = m_spec.sensors[static_cast<std::size_t>(channel)];
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
    Reply reply;
    auto& out = reply.bytes;
    out = {'>', static_cast<std::uint8_t>(m_spec.address[0]), static_cast<std::uint8_t>(m_spec.address[1]),
           static_cast<std::uint8_t>('0' + channel), count};
    for (int k = 0; k < count; ++k) {
        const auto value = encode(temperature(channel, k, seconds));
        out.insert(out.end(),
                   {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8), 0, 0});
    }
    out.push_back(detail::ByteSum(out.data(), out.data() + out.size()));
    out.push_back(kCr);
    reply.checksumAt = out.size() - 2;
    return reply;
}

} // namespace tev::sim
