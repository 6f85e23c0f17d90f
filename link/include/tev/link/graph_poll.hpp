// One poll of the graph display's measuring module: open the port, ask for the value count, ask for
// the values, read them, close the port. Runs on the serial thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tev::link {

inline constexpr int kGraphCurves = 4;
inline constexpr int kGraphCurveChannelMax = 64;
inline constexpr std::uint16_t kGraphStatusTimeoutMs = 50;
inline constexpr std::uint16_t kGraphValueTimeoutMs = 800;

// What the parameter dialog hands back; the defaults are those it shows when it opens.
struct GraphSettings {
    int port = 1;               // 1 = COM1
    std::uint32_t baud = 9600;  // bit/s
    std::string address = "01"; // two characters, sent as they stand
    int channel = 0;            // 0 ... 7: the value request's channel and the status count read
    std::array<int, kGraphCurves> curveChannels{1, 2, 3, 4}; // index of the value each curve shows
    int rangeStart = 15;                                     // °C at the bottom grid line
    int rangeEnd = 35;                                       // °C at the top grid line
    int stepSeconds = 1;                                     // "采样步距": kept, not used by the polling
    bool operator==(const GraphSettings&) const = default;
};

enum class GraphPollStatus {
    Ok,       // values read (some may be missing when the reply was cut short)
    NoStatus, // no status reply, or one shorter than 21 characters
    BadCount, // the status reply's count field is not hexadecimal
    NoValues, // nothing came back to the value request
};

struct GraphReading {
    GraphPollStatus status = GraphPollStatus::NoStatus;
    int count = 0;                             // values announced
    std::size_t received = 0;                  // bytes of the value reply that arrived
    std::vector<std::optional<double>> values; // value k of the channel, empty where not received
    explicit operator bool() const noexcept { return status == GraphPollStatus::Ok; }
};

class Line;

// Polls the module once on line: opens it (settings' port and rate, 8 data bits, no parity), "$AA6"
// (50 ms, no checksum), "#AAc", then the 4n + 7 bytes of the value reply (at most 800 ms; ends as
// soon as they are in). The line is closed whichever way it ends.
GraphReading PollGraphModule(Line& line, const GraphSettings& settings);
// The same on a serial client of its own.
GraphReading PollGraphModule(const GraphSettings& settings);

// The values the four curves show: value curveChannels[k] of the reading, empty when it has none.
std::array<std::optional<double>, kGraphCurves>
CurveValues(const std::vector<std::optional<double>>& values,
            const std::array<int, kGraphCurves>& curveChannels);

} // namespace tev::link
