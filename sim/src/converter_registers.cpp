// The converter's register map: what each holding register reads as and what a write may change.
#include "tev/sim/converter.hpp"

#include <bit>
#include <type_traits>
#include <utility>

namespace tev::sim {
namespace {

constexpr std::uint16_t kValuesEnd = 4 * kConverterEntries; // 4i .. 4i+3 for entries 0..71
constexpr std::uint16_t kStatusFirst = 5000;
constexpr std::uint16_t kConfigFirst = 6000;
constexpr std::uint16_t kConfigLast = 6004;
constexpr std::uint16_t kSecondaryFirst = 7000; // meters 0..31 from 7000, 32..63 from 7096: contiguous
constexpr std::uint16_t kSecondaryEnd = 7000 + 3 * kConverterMeters;
constexpr std::uint16_t kTypesFirst = 8000;
constexpr std::uint16_t kTypesEnd = 8000 + kConverterMeters / 2;

constexpr std::pair<std::uint8_t, std::uint32_t> kRates[] = {
    {0x34, 2400}, {0x35, 4800}, {0x36, 9600}, {0x37, 19200}, {0x38, 38400}, {0x39, 57600}, {0x3A, 115200}};

float FlowOf(const MeterRecord& record, Converter::Clock::time_point started,
             Converter::Clock::time_point at) {
    const std::chrono::duration<double, std::ratio<3600>> hours = at - started;
    return static_cast<float>(record.flow + record.flowPerHour * hours.count());
}

std::uint16_t High(std::uint32_t bits) {
    return static_cast<std::uint16_t>(bits >> 16);
}
std::uint16_t Low(std::uint32_t bits) {
    return static_cast<std::uint16_t>(bits & 0xFFFF);
}

// The two bytes behind a meter-list register (secondary addresses or type numbers), high first;
// nothing for other registers. Serves reads (const entries) and writes alike.
template <typename Entries> auto ListBytes(Entries& entries, std::uint16_t reg) {
    using Byte = std::remove_reference_t<decltype((entries[0].type))>;
    std::optional<std::pair<Byte*, Byte*>> out;
    if (reg >= kSecondaryFirst && reg < kSecondaryEnd) {
        auto& bytes = entries[(reg - kSecondaryFirst) / 3].secondary;
        const std::size_t at = 2 * ((reg - kSecondaryFirst) % 3);
        out.emplace(&bytes[at], &bytes[at + 1]);
    } else if (reg >= kTypesFirst && reg < kTypesEnd) {
        const std::size_t meter = 2 * std::size_t{static_cast<std::uint16_t>(reg - kTypesFirst)};
        out.emplace(&entries[meter].type, &entries[meter + 1].type);
    }
    return out;
}

} // namespace

std::optional<std::uint32_t> ConverterBaud(std::uint8_t code) {
    for (const auto& [c, baud] : kRates)
        if (c == code)
            return baud;
    return std::nullopt;
}

std::optional<std::uint8_t> ConverterBaudCode(std::uint32_t baud) {
    for (const auto& [code, b] : kRates)
        if (b == baud)
            return code;
    return std::nullopt;
}

float Converter::flowAt(std::size_t index, Clock::time_point at) const {
    std::lock_guard lock(m_mutex);
    return index < m_entries.size() ? FlowOf(m_entries[index], m_started, at) : 0.0F;
}

std::optional<std::uint16_t> Converter::readRegister(std::uint16_t reg, Clock::time_point at) const {
    if (reg < kValuesEnd) {
        const std::size_t index = reg / 4;
        const bool active = collected(index);
        const MeterRecord& record = m_entries[index];
        const auto serial = active ? static_cast<std::uint32_t>(record.serial) : 0U;
        const auto flow = active ? std::bit_cast<std::uint32_t>(FlowOf(record, m_started, at)) : 0U;
        const std::uint16_t parts[] = {High(serial), Low(serial), High(flow), Low(flow)};
        return parts[reg % 4];
    }
    if (reg >= kStatusFirst && reg < kStatusFirst + kConverterEntries) {
        const std::size_t index = reg - kStatusFirst;
        const MeterRecord& record = m_entries[index];
        return collected(index) ? static_cast<std::uint16_t>(record.link << 8 | record.status)
                                : std::uint16_t{0};
    }
    switch (reg) {
    case 6000:
        return static_cast<std::uint16_t>(m_config.address << 8 | m_config.baudCode);
    case 6001:
        return m_config.acquisitionTime;
    case 6002:
        return static_cast<std::uint16_t>(m_config.meterType << 8 | m_config.meterCount);
    case 6003:
        return m_config.parity;
    case 6004:
        return m_config.mode;
    default:
        break;
    }
    if (const auto bytes = ListBytes(m_entries, reg))
        return static_cast<std::uint16_t>(*bytes->first << 8 | *bytes->second);
    return std::nullopt;
}

bool Converter::collected(std::size_t index) const {
    // A meter beyond the configured count is not collected: it reads as zeros. Counters always are.
    return index >= kConverterMeters || index < m_config.meterCount;
}

bool Converter::writable(std::uint16_t reg) const {
    return (reg >= kConfigFirst && reg <= kConfigLast) || ListBytes(m_entries, reg).has_value();
}

bool Converter::validValue(std::uint16_t reg, std::uint16_t value) const {
    const auto hi = static_cast<std::uint8_t>(value >> 8);
    const auto lo = static_cast<std::uint8_t>(value & 0xFF);
    switch (reg) {
    case 6000:
        return hi != 0 && ConverterBaud(lo).has_value(); // address 0 is the broadcast address
    case 6001:
        return value >= 3 && value <= 9999;
    case 6002:
        return lo <= kConverterMeters;
    case 6003:
        return hi == 0 && lo <= 2;
    case 6004:
        return hi == 0 && lo <= 1;
    default:
        return true;
    }
}

void Converter::writeRegister(std::uint16_t reg, std::uint16_t value) {
    const auto hi = static_cast<std::uint8_t>(value >> 8);
    const auto lo = static_cast<std::uint8_t>(value & 0xFF);
    switch (reg) {
    case 6000:
        m_config.address = hi;
        m_config.baudCode = lo;
        return;
    case 6001:
        m_config.acquisitionTime = value;
        return;
    case 6002:
        m_config.meterType = hi;
        m_config.meterCount = lo;
        return;
    case 6003:
        m_config.parity = lo;
        return;
    case 6004:
        m_config.mode = lo;
        return;
    default:
        break;
    }
    if (const auto bytes = ListBytes(m_entries, reg)) {
        *bytes->first = hi;
        *bytes->second = lo;
    }
}

std::vector<MeterRecord> SampleMeters(std::size_t count, std::int32_t firstSerial) {
    std::vector<MeterRecord> records(kConverterEntries);
    for (std::size_t i = 0; i < kConverterEntries; ++i) {
        MeterRecord& r = records[i];
        const bool counter = i >= kConverterMeters;
        if (!counter && i >= count)
            continue;
        r.serial = firstSerial + static_cast<std::int32_t>(i);
        // Secondary address: the serial's eight digits as BCD, then version and medium (water).
        auto digits = static_cast<std::uint32_t>(r.serial % 100000000);
        for (std::size_t b = 4; b-- > 0; digits /= 100)
            r.secondary[b] = static_cast<std::uint8_t>((digits % 100 / 10) << 4 | digits % 10);
        r.secondary[4] = 0x01;
        r.secondary[5] = 0x07;
        r.type = static_cast<std::uint8_t>(counter ? 0 : 1 + i % 3);
        r.link = (i % 7 == 5) ? 0 : 1; // every seventh meter is out of reach
        r.status = r.link ? 0x00 : 0x1B;
        r.flow = 10.0F + 3.25F * static_cast<float>(i);
        r.flowPerHour = 0.5F + 0.1F * static_cast<float>(i % 10);
    }
    return records;
}

} // namespace tev::sim
