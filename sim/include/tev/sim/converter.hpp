// Simulated M-Bus to Modbus converter: a Modbus RTU slave holding the data of up to 64 meters and
// 8 counters, its configuration and its meter list.
#pragma once

#include "tev/sim/line.hpp"

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace tev::sim {

// One meter (entries 0..63) or counter (entries 64..71) as the converter holds it.
struct MeterRecord {
    std::array<std::uint8_t, 6> secondary{}; // secondary address, in the order of its hex text
    std::uint8_t type = 0;                   // meter type number
    std::uint8_t link = 1;                   // 1 the converter reaches the meter, 0 it does not
    std::uint8_t status = 0;                 // M-Bus status code of the meter
    std::int32_t serial = 0;                 // serial number
    float flow = 0.0F;                       // accumulated flow in m3 when the converter started
    float flowPerHour = 0.0F;                // how fast the accumulated flow advances, m3/h
};

struct ConverterConfig {
    std::uint8_t address = 1;           // Modbus slave address
    std::uint8_t baudCode = 0x36;       // 0x34 2400 … 0x3A 115200
    std::uint16_t acquisitionTime = 60; // M-Bus acquisition time, 3..9999
    std::uint8_t meterType = 0;         // meter type number
    std::uint8_t meterCount = 0;        // number of meters n, 0..64
    std::uint8_t parity = 0;            // Modbus side: 0 none, 1 even, 2 odd
    std::uint8_t mode = 1;              // acquisition: 0 by primary, 1 by secondary address
};

inline constexpr std::size_t kConverterMeters = 64;
inline constexpr std::size_t kConverterEntries = 72; // 64 meters + 8 counters

// bit/s of a baud-rate code of register 6000, nullopt for an unknown code.
std::optional<std::uint32_t> ConverterBaud(std::uint8_t code);
// Code of a rate, nullopt when the converter has none.
std::optional<std::uint8_t> ConverterBaudCode(std::uint32_t baud);

// `count` meters with plausible, distinct data (serials from `firstSerial`), plus 8 counters.
std::vector<MeterRecord> SampleMeters(std::size_t count, std::int32_t firstSerial);

class Converter final : public Device {
  public:
    using Clock = std::chrono::steady_clock;

    explicit Converter(ConverterConfig config = {}, const std::vector<MeterRecord>& entries = {});

    std::size_t frameLength(std::span<const std::uint8_t> bytes) const override;
    Reply answer(std::span<const std::uint8_t> frame, const LineState& line) override;

    ConverterConfig config() const;
    MeterRecord entry(std::size_t index) const; // index 0..71; a default record beyond
    void setEntry(std::size_t index, const MeterRecord& record);
    // Accumulated flow of entry `index` at `at`.
    float flowAt(std::size_t index, Clock::time_point at) const;
    // Fault: reads of more than `maxCount` registers are refused with exception `code` (0x02 or 0x03),
    // as converters with a small reply buffer do. 125 (the default) refuses none.
    void setReadLimit(std::uint16_t maxCount, std::uint8_t code);
    // Fault: writes are refused with exception 04 (server device failure), echoed with the first
    // value's (or the count's) low byte flipped under a valid CRC, or echoed with a flipped CRC byte;
    // in each case nothing is written. None (the default) carries writes out.
    enum class WriteFault { None, Refuse, WrongEcho, BadChecksum };
    void setWriteFault(WriteFault fault);

  private:
    struct Request;
    Reply process(const Request& request);
    Reply read(const Request& request);
    Reply writeSingle(const Request& request);
    Reply writeMultiple(const Request& request);
    std::optional<Reply> faultyWrite(const Request& request) const;
    std::optional<std::uint16_t> readRegister(std::uint16_t reg, Clock::time_point at) const;
    bool collected(std::size_t index) const;
    bool writable(std::uint16_t reg) const;
    bool validValue(std::uint16_t reg, std::uint16_t value) const;
    void writeRegister(std::uint16_t reg, std::uint16_t value);

    mutable std::mutex m_mutex;
    ConverterConfig m_config;
    std::array<MeterRecord, kConverterEntries> m_entries{};
    Clock::time_point m_started = Clock::now();
    std::uint16_t m_readLimit = 125;
    std::uint8_t m_readLimitCode = 0x03;
    WriteFault m_writeFault = WriteFault::None;
};

} // namespace tev::sim
