// One entry of the port table: the open device, its settings, and the state its calls share.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "line_setup.hpp"

namespace uart::detail {

using Clock = std::chrono::steady_clock;

struct Port {
    std::timed_mutex mutex; // held by the call that uses the port
    int fd = -1;
    std::string path;
    LineSettings settings;
    std::string openError;
    // Quiet time the next write waits for, counted from quietSince; zero while the line is settled.
    Clock::duration guard{};
    Clock::time_point quietSince{};
};

} // namespace uart::detail
