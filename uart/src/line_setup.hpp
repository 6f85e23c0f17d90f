// Opening a serial device and setting its line parameters with termios.
#pragma once

#include <cstdint>
#include <string>

namespace uart::detail {

struct LineSettings {
    std::uint32_t baud = 9600;
    std::uint8_t parity = 0;   // 0 none, 1 even, 2 odd
    std::uint8_t stopBits = 0; // 0 one, 2 two
};

struct SetupResult {
    std::uint16_t status = 0; // UART_OK or an error status
    std::string error;        // why, for the user
    // ConfigureLine: bytes received with a parity or framing error come marked (PARMRK): 0xFF 0x00
    // before such a byte, and a 0xFF received doubled.
    bool marked = false;
};

// True when rate is one termios can set.
bool SupportedRate(std::uint32_t baud);

// Opens path non-blocking, without becoming its controlling terminal, and takes it exclusively:
// an advisory lock (flock) and, except on a pseudo-terminal, the exclusive flag (TIOCEXCL). A device
// another descriptor has locked gives UART_PORT_ERROR with "busy" in the error. Returns the descriptor, or -1
// with result filled in.
int OpenDevice(const std::string& path, SetupResult& result);

// Gives up exclusive use and closes fd. The exclusive flag belongs to the device, not to the
// descriptor: left set, it outlives the close and refuses the next open of a user without privileges.
// On a pseudo-terminal it is never set: a program killed before it could clear it would leave the
// device refused until the other end closed, while the lock goes with the program.
void CloseDevice(int fd);

// Raw mode, 8 data bits, the given rate, parity and stop bits; discards pending data.
SetupResult ConfigureLine(int fd, const LineSettings& settings);

// True when fd is the slave side of a pseudo-terminal (which has no parity).
bool IsPseudoTerminal(int fd);

// One character's time on the line in microseconds (start, 8 data, parity, stop bits).
std::uint32_t CharacterMicros(const LineSettings& settings);

} // namespace uart::detail
