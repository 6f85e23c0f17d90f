// Simulated M-Bus meters (EN 13757-2 link layer, EN 13757-3 application layer) sharing one line,
// and a domestic water meter that speaks the domestic meter frame.
#pragma once

#include "tev/sim/line.hpp"

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace tev::sim {

struct MbusMeterSpec {
    std::uint8_t primary = 0;            // primary address, 0..250
    std::uint32_t id = 0;                // identification number, 8 decimal digits
    std::uint16_t manufacturer = 0x2C2D; // EN 13757-3 packed three-letter code
    std::uint8_t version = 0x01;
    std::uint8_t medium = 0x07; // EN 13757-3 medium code: 0x07 water, 0x04 heat
    std::uint32_t baud = 2400;
    double litres = 0.0;        // volume when the line started
    double litresPerHour = 0.0; // how fast the volume advances
};

// All M-Bus meters of one line. Each answers only at its own rate.
class MbusMeterBank final : public Device {
  public:
    explicit MbusMeterBank(std::vector<MbusMeterSpec> meters);

    std::size_t frameLength(std::span<const std::uint8_t> bytes) const override;
    Reply answer(std::span<const std::uint8_t> frame, const LineState& line) override;

    std::vector<MbusMeterSpec> meters() const;
    // Index of the meter that secondary addressing has selected, if any.
    std::optional<std::size_t> selected() const;

  private:
    struct Meter {
        MbusMeterSpec spec;
        bool selected = false;
        std::uint8_t accessNumber = 0;
    };
    Reply shortFrame(std::uint8_t control, std::uint8_t address, std::uint32_t baud);
    Reply longFrame(std::span<const std::uint8_t> frame, std::uint32_t baud);
    Reply select(std::span<const std::uint8_t> data, std::uint32_t baud);
    std::vector<Meter*> addressed(std::uint8_t address, std::uint32_t baud);
    Reply userData(Meter& meter);

    mutable std::mutex m_mutex;
    std::vector<Meter> m_meters;
    std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
};

struct DomesticMeterSpec {
    std::uint8_t type = 0x10;              // meter type: 0x10 cold water
    std::array<std::uint8_t, 7> address{}; // BCD, least significant byte first
    int wakeUpBytes = 2;                   // 0xFE bytes sent ahead of each reply
    std::uint32_t baud = 2400;
    double cubicMetres = 0.0;
    double cubicMetresPerHour = 0.0;
};

// A meter that speaks the domestic meter frame: 0x68, type, 7 address bytes, control, length L,
// L data bytes, byte sum from 0x68, 0x16; requests and replies may carry leading 0xFE bytes.
// It answers the read-data request (control 0x01, data identifier 90 1F) with control 0x81.
class DomesticMeter final : public Device {
  public:
    explicit DomesticMeter(DomesticMeterSpec spec);

    std::size_t frameLength(std::span<const std::uint8_t> bytes) const override;
    Reply answer(std::span<const std::uint8_t> frame, const LineState& line) override;

  private:
    Reply readingReply(std::uint8_t id1, std::uint8_t id2);

    DomesticMeterSpec m_spec;
    std::uint8_t m_sequence = 0;
    std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
};

} // namespace tev::sim
