#include "tev/link/graph_samples.hpp"

#include <cstdio>
#include <ctime>

namespace tev::link {

double SampleX(std::size_t index) noexcept {
    return static_cast<double>(GraphGeometry::sampleStep) * static_cast<double>(index) + GraphGeometry::left;
}

double ValueY(double value, int start, int end) noexcept {
    constexpr double height = GraphGeometry::bottom - GraphGeometry::top;
    if (!IsValidRange(start, end))
        return GraphGeometry::bottom;
    return GraphGeometry::bottom - height * (value - start) / (static_cast<double>(end) - start);
}

bool IsValidRange(int start, int end) noexcept {
    return start < end;
}

std::array<std::string, 11> RangeLabels(int start, int end) {
    std::array<std::string, 11> labels;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        char text[32];
        const double value = start + (static_cast<double>(end) - start) / 10.0 * static_cast<double>(i);
        std::snprintf(text, sizeof text, "%.1f", value);
        labels[i] = text;
    }
    return labels;
}

bool GraphSamples::add(const GraphSample& sample) {
    if (full())
        return false;
    m_samples.push_back(sample);
    return true;
}

namespace {

std::string LocalTime(std::chrono::system_clock::time_point time) {
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

} // namespace

std::string GraphSamplesCsv(const GraphSamples& samples, const std::array<int, kGraphCurves>& curveChannels) {
    std::string out = "时间";
    for (const int channel : curveChannels)
        out += ",第" + std::to_string(channel) + "通道(℃)";
    out += "\r\n";
    for (std::size_t i = 0; i < samples.size(); ++i) {
        out += LocalTime(samples[i].time);
        for (const auto& value : samples[i].values) {
            out += ',';
            if (value) {
                char text[48];
                std::snprintf(text, sizeof text, "%.3f", *value);
                out += text;
            }
        }
        out += "\r\n";
    }
    return out;
}

} // namespace tev::link
