// Simulated measuring module of the graph display: temperature sensors on 8 channels, read with an
// ASCII status request and a binary value reply.
//
//   "$AA6"  -> "!AA" + 2 status digits + 8 × 2 hex digits (sensors on channels 0..7), 21 characters, CR
//   "#AAc"  -> '>', the two address characters, the channel digit, the sensor count n, then per
//              sensor 4 bytes (temperature low, high, 0, 0), a byte sum of everything before it, CR:
//              4n + 7 bytes. Temperatures are 1/16 °C steps, two's complement.
#pragma once

#include "tev/sim/line.hpp"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

namespace tev::sim {

struct MeasuringModuleSpec {
    std::string address = "01";                                  // two characters, as the commands carry them
    std::array<std::uint8_t, 8> sensors{8, 4, 0, 0, 0, 0, 0, 0}; // sensors per channel, at most 64
    std::uint32_t baud = 9600;
};

class MeasuringModule final : public Device {
  public:
    explicit MeasuringModule(MeasuringModuleSpec spec = {});

    std::size_t frameLength(std::span<const std::uint8_t> bytes) const override;
    Reply answer(std::span<const std::uint8_t> frame, const LineState& line) override;

    // Temperature in °C of sensor k on channel c, `seconds` after start: a slow wave around 25 °C
    // (channel 1 runs around -20 °C, to exercise negative values).
    static double temperature(int channel, int sensor, double seconds);
    // The 16-bit sensor value of a temperature (1/16 °C, two's complement).
    static std::uint16_t encode(double celsius);

  private:
    Reply values(int channel);

    MeasuringModuleSpec m_spec;
    std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
};

} // namespace tev::sim
