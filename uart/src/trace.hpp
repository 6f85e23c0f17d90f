// Byte trace on stderr: every frame sent and received, switched on by TEV_TRACE=1.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace uart::detail::trace {

enum class Direction { Sent, Received, Dropped };

// Reads TEV_TRACE; true when it is "1".
bool ReadSwitch();

// True when the trace is on; the environment is read at the first call only.
inline bool Enabled() {
    static const bool on = ReadSwitch();
    return on;
}

// Writes one line: wall-clock time with milliseconds, COM<port>, the device, the direction ("->"
// sent, "<-" received, "drop" discarded before a send), the bytes in hex (at most kMaxBytes of
// them), for ASCII frames also the text, and a note when status is not UART_OK.
void Line(std::uint8_t port, const std::string& device, Direction direction,
          std::span<const std::uint8_t> bytes, bool ascii, std::uint16_t status);

constexpr std::size_t kMaxBytes = 512;

} // namespace uart::detail::trace
