// The graph display's sample store and its geometry: where a sample of a curve lies in the drawing
// area, and the samples as CSV.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "tev/link/graph_poll.hpp"

namespace tev::link {

// At most this many samples are stored; later readings still update the value fields.
inline constexpr std::size_t kGraphMaxSamples = 20000;

// The drawing area's axes and grid, in pixels.
struct GraphGeometry {
    static constexpr int left = 30;    // vertical axis
    static constexpr int right = 726;  // end of the horizontal axis
    static constexpr int top = 50;     // top grid line (range end)
    static constexpr int bottom = 400; // bottom grid line and horizontal axis (range start)
    static constexpr int sampleStep = 3;
    static constexpr int verticalLines = 20;
    static constexpr int horizontalLines = 10;
};

// x of sample i: 3 × i + 30.
double SampleX(std::size_t index) noexcept;
// y of a value for the range start ... end: bottom − (bottom − top) × (value − start) / (end − start).
// A range with end <= start (refused by the parameter dialog) puts every value on the bottom line.
double ValueY(double value, int start, int end) noexcept;
// A range the drawing can show: start below end.
bool IsValidRange(int start, int end) noexcept;
// The eleven labels of the vertical axis, bottom to top: "%.1f" of start + (end − start) / 10 × i.
std::array<std::string, 11> RangeLabels(int start, int end);

struct GraphSample {
    std::chrono::system_clock::time_point time;
    std::array<std::optional<double>, kGraphCurves> values; // empty: no value in that reading
};

class GraphSamples {
  public:
    // Stores one sample; false (nothing stored) once kGraphMaxSamples are stored.
    bool add(const GraphSample& sample);
    std::size_t size() const noexcept { return m_samples.size(); }
    bool full() const noexcept { return m_samples.size() >= kGraphMaxSamples; }
    const GraphSample& operator[](std::size_t i) const { return m_samples[i]; }

  private:
    std::vector<GraphSample> m_samples;
};

// The samples as CSV (UTF-8, "\r\n" line ends): a header "时间" then "第N通道(℃)" for the four curve
// channel numbers, then one row per sample: local time "YYYY-MM-DD HH:MM:SS" and the four values as
// "%.3f", empty where a curve had no value.
std::string GraphSamplesCsv(const GraphSamples& samples, const std::array<int, kGraphCurves>& curveChannels);

} // namespace tev::link
