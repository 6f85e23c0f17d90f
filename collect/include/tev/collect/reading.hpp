// One meter's reading as the collector hands it on: the values of the latest refresh when its blocks
// were answered, else the last sound values with the time they were read, marked stale. A stale
// reading never carries a newer time than the values it holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tev/cli/json_text.hpp"
#include "tev/link/meter_overview.hpp"

namespace tev::collect {

struct MeterReading {
    int entry = 0; // meter 0 .. 63, counter 64 .. 71
    bool stale = true;
    std::optional<link::WallClock::time_point> time; // when the values were read; none before the first
    std::optional<std::int32_t> serial;
    std::optional<std::uint8_t> type;
    std::optional<std::uint8_t> link;   // 1 the converter reaches the meter, 0 it does not
    std::optional<std::uint8_t> status; // the meter's M-Bus status code
    std::optional<float> flow;          // accumulated flow, m3
};

// Adds serial ("%08d" text), type, link, status, flow, time (local ISO time) and stale; null where
// nothing was read.
void AddReadingFields(cli::JsonObject& object, const MeterReading& reading);
// The MQTT payload: the fields above as one JSON object.
std::string ReadingPayload(const MeterReading& reading);

// The last sound reading of every entry of one converter.
class ReadingBook {
  public:
    // The readings of one refresh's rows: a row read whole in it is fresh (and kept), any other is
    // the kept reading marked stale, or an empty stale reading when there is none.
    std::vector<MeterReading> update(const std::vector<link::OverviewRow>& rows);

  private:
    std::vector<MeterReading> m_good; // by entry
};

} // namespace tev::collect
