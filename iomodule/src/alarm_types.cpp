#include "alarm_types.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include <tev/tev_module_types.h>

namespace tev::iomodule {
namespace {

// Source range and limit decimals of the input type codes 0-22.
constexpr InputType kInputTypes[] = {
    {-15, 15, 3},   {-50, 50, 3},   {-100, 100, 2}, {-500, 500, 2},  {-1, 1, 4},     {-2.5, 2.5, 4},
    {-20, 20, 3},   {-500, 500, 2}, {-10, 10, 3},   {-5, 5, 4},      {-1, 1, 4},     {-500, 500, 2},
    {-150, 150, 2}, {-20, 20, 3},   {0, 760, 3},    {0, 1320, 1},    {-100, 400, 2}, {0, 1000, 1},
    {500, 1750, 1}, {500, 1750, 1}, {500, 1800, 1}, {-270, 1300, 1}, {0, 2320, 1},
};

constexpr std::size_t kWidth = 7;

// The first seven characters of printf(format, v), or a range code when they would not be v.
NumberText Format(const char* fmt, double v) noexcept {
    NumberText out;
    std::array<char, 64> full{};
    const int n = std::isfinite(v) ? std::snprintf(full.data(), full.size(), fmt, v) : -1;
    const char* point = n > 0 ? std::strchr(full.data(), '.') : nullptr;
    // The whole part must survive the cut: the point at position 7 or before.
    if (!point || point - full.data() > static_cast<std::ptrdiff_t>(kWidth)) {
        out.code = v < 0 ? TEV_MODULE_BELOW_RANGE : TEV_MODULE_ABOVE_RANGE;
        return out;
    }
    std::memcpy(out.text.data(), full.data(), std::min<std::size_t>(kWidth, std::size_t(n)));
    return out;
}

std::atomic<PauseHook> g_pauseHook{nullptr};

} // namespace

const InputType* FindInputType(std::uint32_t code) noexcept {
    return code < std::size(kInputTypes) ? &kInputTypes[code] : nullptr;
}

NumberText SevenChars(double v, int decimals) noexcept {
    static constexpr const char* kFormats[] = {"%+07.1f", "%+07.1f", "%+07.2f", "%+07.3f", "%+07.4f"};
    return Format(kFormats[std::clamp(decimals, 1, 4)], v);
}

NumberText TargetText(double v) noexcept {
    // Upper bound of each interval (a bound belongs to the interval below it) and its form.
    struct Form {
        double above;
        const char* fmt;
    };
    static constexpr Form kForms[] = {{10000, "%+07.1f"}, {1000, "%+07.1f"},  {100, "%+07.2f"},
                                      {10, "%+07.3f"},    {1, "%+07.4f"},     {0, "%+07.5f"},
                                      {-1, "%+07.4f"},    {-10, "%+07.3f"},   {-100, "%+07.2f"},
                                      {-1000, "%+07.1f"}, {-19999, "%+07.1f"}};
    NumberText out;
    if (v > 19999) {
        out.code = TEV_MODULE_ABOVE_RANGE;
        return out;
    }
    for (const Form& form : kForms)
        if (v > form.above)
            return Format(form.fmt, v);
    out.code = TEV_MODULE_BELOW_RANGE; // -19999 and below, and NaN
    return out;
}

void AlarmPause(std::chrono::milliseconds duration) noexcept {
    if (const PauseHook hook = g_pauseHook.load())
        hook(duration);
    else
        std::this_thread::sleep_for(duration);
}

void SetAlarmPauseHook(PauseHook hook) noexcept {
    g_pauseHook.store(hook);
}

} // namespace tev::iomodule
