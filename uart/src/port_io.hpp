// Moving bytes over an open port: the write of a request and the receive of its reply.
#pragma once

#include <cstddef>
#include <cstdint>

#include "line_marks.hpp"
#include "port.hpp"
#include <tev/uart.h>

namespace uart::detail {

// Milliseconds left until deadline, never negative.
int MsLeft(Clock::time_point deadline);

// Opens and closes the port's wake descriptor; false when none could be made.
bool OpenWake(Port& p);
void CloseWake(Port& p);
// Ends the calls under way on the port (UART_CANCELLED) and wakes the one waiting on the line.
void CancelCalls(Port& p);
// True when the port has been cancelled since the call holding it began.
inline bool Cancelled(const Port& p) {
    return p.cancels.load() != p.ticket;
}

// Waits for a port left unsettled to be quiet (see leaveUnsettled), discards pending input and
// writes count bytes. UART_OK, UART_WRITE_ERROR or UART_CANCELLED.
std::uint16_t WriteAll(Port& p, const std::uint8_t* data, std::size_t count);

struct Received {
    std::size_t count = 0;
    std::size_t frame = 0; // complete frame length reported by the rule, 0 if none
    bool settled = false;  // ended by a frame with nothing after it, or by the silence after the bytes
    bool cancelled = false;
    bool damaged = false;        // a byte arrived with a parity or framing error (stored as 0x00)
    Clock::time_point firstAt{}; // arrival of the first byte
};

// After a receive: leaves the port unsettled unless it ended clean, and learns how late the device
// answers when the reply it took turns out to have been the late one of an earlier request.
void NoteReceive(Port& p, const Received& r, std::uint16_t timeoutMs);

// Notes that bytes of the last request's reply may still be on their way: a receive that timed out,
// or ended with bytes it did not use. The next write waits until the line has been quiet for
// max(min(timeoutMs, UART_GUARD_MAX_MS), UART_GAP_MS) + UART_GUARD_CHARS character times, and
// drops what came.
void LeaveUnsettled(Port& p, std::uint16_t timeoutMs);

// Reads into buffer until the deadline, max bytes, a complete frame (rule) or, without a rule,
// a silence after the last byte.
Received Receive(Port& p, std::uint8_t* buffer, std::size_t max, Clock::time_point deadline,
                 UartFrameRule rule, void* context);

} // namespace uart::detail
