// Input type codes of the analog modules' alarm limits and linear mapping, the seven-character
// number forms those commands carry, and the pauses the modules need between such commands.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tev::iomodule {

// The source range of a linear mapping and the decimals of a limit, per input type code.
struct InputType {
    double low = 0.0;
    double high = 0.0;
    int decimals = 3;
};

// Type codes 0-22; nullptr above (the caller answers TEV_MODULE_MODEL_NOT_SERVED).
const InputType* FindInputType(std::uint32_t code) noexcept;

// The 7016 knows the type codes 0-6 only.
inline constexpr std::uint32_t k7016TypeMax = 6;

// A number as the seven characters a command carries.
struct NumberText {
    std::uint16_t code = 0;     // 0, TEV_MODULE_BELOW_RANGE or TEV_MODULE_ABOVE_RANGE
    std::array<char, 8> text{}; // seven characters, zero-terminated
    std::string_view view() const noexcept { return text.data(); }
};

// The first seven characters of printf("%+07.<decimals>f", v). A value whose whole part would be cut
// (a million or more in magnitude), NaN and the infinities are refused: below range when negative,
// above range otherwise.
NumberText SevenChars(double v, int decimals) noexcept;

// A mapping target value: the form chosen by its magnitude, cut to seven characters; above 19999 is
// above range, -19999 and below (and NaN) below range.
NumberText TargetText(double v) noexcept;

// Waits between or after the exchanges that the modules need time for (std::this_thread::sleep_for
// unless a test has put a hook in its place).
void AlarmPause(std::chrono::milliseconds duration) noexcept;
using PauseHook = void (*)(std::chrono::milliseconds);
// Replaces the wait; nullptr restores sleep_for. For unit tests.
void SetAlarmPauseHook(PauseHook hook) noexcept;

} // namespace tev::iomodule
