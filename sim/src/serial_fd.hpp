// File-descriptor helpers of the line: pseudo-terminal and real device set-up, rate conversion.
#pragma once

#include <termios.h>

#include <cstdint>
#include <span>
#include <string>

namespace tev::sim::detail {

// Opens a new pseudo-terminal master (non-blocking) and stores the slave path; throws std::system_error.
int OpenPseudoTerminal(std::string& slavePath);
// Opens a real serial device raw at the given rate and parity (0 none, 1 even, 2 odd); throws.
int OpenRealDevice(const std::string& path, std::uint32_t baud, int parity);
// bit/s of a termios speed constant, 0 for B0 or an unknown constant.
std::uint32_t BaudOf(speed_t speed);
// The termios constant of a rate, B0 when termios has none.
speed_t SpeedOf(std::uint32_t baud);
// Writes all bytes to a non-blocking descriptor, waiting briefly while it is full.
void WriteAll(int fd, std::span<const std::uint8_t> bytes);

} // namespace tev::sim::detail
