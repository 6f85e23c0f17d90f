#include "port_io.hpp"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include "trace.hpp"

namespace uart::detail {
namespace {

// Silence after the last byte that ends a receive without a frame rule.
Clock::duration SilenceGap(const LineSettings& s) {
    return std::chrono::milliseconds(UART_GAP_MS) + std::chrono::microseconds(CharacterMicros(s) * 7 / 2);
}

enum class Wait { Ready, Timeout, Cancelled, HangUp };

// Waits until the port's descriptor reports one of events or a hang-up, the deadline passes or the
// call is cancelled.
Wait WaitOn(Port& p, short events, Clock::time_point deadline) {
    for (;;) {
        if (Cancelled(p))
            return Wait::Cancelled;
        pollfd fds[2] = {{p.fd, events, 0}, {p.wakeFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, MsLeft(deadline));
        if (ready < 0 && errno != EINTR)
            return Wait::Timeout;
        if (fds[1].revents != 0) {
            eventfd_t count = 0;
            eventfd_read(p.wakeFd, &count); // a cancel of an earlier call leaves its count behind
            continue;
        }
        if (ready > 0 && (fds[0].revents & events) != 0)
            return Wait::Ready;
        if (ready > 0 && fds[0].revents != 0)
            return Wait::HangUp;
        if (ready == 0)
            return Wait::Timeout;
    }
}

// Reads and drops what arrives until the line has been quiet for the port's guard, counted from
// the end of the call that left it unsettled. A reply still streaming in keeps it waiting, up to the
// guard plus UART_GUARD_SPAN_CHARS character times from the send: a line that never falls quiet.
bool Settle(Port& p) {
    if (p.guard == Clock::duration::zero())
        return true;
    const auto limit = Clock::now() + p.guard +
                       std::chrono::microseconds(CharacterMicros(p.settings) * UART_GUARD_SPAN_CHARS);
    auto quietUntil = p.quietSince + p.guard;
    std::uint8_t junk[256];
    while (Clock::now() < limit) {
        const Wait w = WaitOn(p, POLLIN, std::min(quietUntil, limit));
        if (w == Wait::Cancelled)
            return false;
        if (w != Wait::Ready)
            break; // quiet, or hung up: the write will tell
        const ssize_t n = ::read(p.fd, junk, sizeof junk);
        if (n <= 0 && !(n < 0 && (errno == EAGAIN || errno == EINTR)))
            break;
        if (n > 0 && trace::Enabled())
            trace::Line(p.number, p.path, trace::Direction::Dropped, {junk, static_cast<std::size_t>(n)},
                        false, UART_OK);
        quietUntil = Clock::now() + p.guard;
    }
    p.guard = Clock::duration::zero();
    return true;
}

} // namespace

bool OpenWake(Port& p) {
    std::lock_guard lock(p.wakeLock);
    if (p.wakeFd < 0)
        p.wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return p.wakeFd >= 0;
}

void CloseWake(Port& p) {
    std::lock_guard lock(p.wakeLock);
    if (p.wakeFd >= 0)
        ::close(p.wakeFd);
    p.wakeFd = -1;
}

void CancelCalls(Port& p) {
    std::lock_guard lock(p.wakeLock);
    ++p.cancels;
    if (p.wakeFd >= 0)
        eventfd_write(p.wakeFd, 1);
}

void LeaveUnsettled(Port& p, std::uint16_t timeoutMs) {
    // A module's turn-around and a USB adapter's chunking make even the reply to a short timeout late
    // by up to the silence gap.
    const auto late = std::chrono::milliseconds(
        std::max<std::uint16_t>(std::min<std::uint16_t>(timeoutMs, UART_GUARD_MAX_MS), UART_GAP_MS));
    p.guard = late + std::chrono::microseconds(CharacterMicros(p.settings) * UART_GUARD_CHARS);
    p.quietSince = Clock::now();
}

// Milliseconds left until deadline, never negative.
int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

std::uint16_t WriteAll(Port& p, const std::uint8_t* data, std::size_t count) {
    if (!Settle(p))
        return UART_CANCELLED;
    tcflush(p.fd, TCIFLUSH); // what is pending belongs to no request of ours
    // Allow twice the wire time and one second for the driver's queue to take the bytes.
    const auto wire = std::chrono::microseconds(CharacterMicros(p.settings) * count);
    const auto deadline = Clock::now() + 2 * wire + std::chrono::seconds(1);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(p.fd, data + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return UART_WRITE_ERROR;
        if (const Wait w = WaitOn(p, POLLOUT, deadline); w != Wait::Ready)
            return w == Wait::Cancelled ? UART_CANCELLED : UART_WRITE_ERROR;
    }
    tcdrain(p.fd);
    return UART_OK;
}

Received Receive(Port& p, std::uint8_t* buffer, std::size_t max, Clock::time_point deadline,
                 UartFrameRule rule, void* context) {
    Received r;
    Unmarker unmark;
    std::uint8_t chunk[256];
    const auto gap = SilenceGap(p.settings);
    auto lastByte = Clock::now();
    while (r.count < max) {
        auto until = deadline;
        if (r.count > 0 && !rule)
            until = std::min(deadline, lastByte + gap);
        const Wait w = WaitOn(p, POLLIN, until);
        r.cancelled = w == Wait::Cancelled;
        r.settled = w == Wait::Timeout && until < deadline; // the silence after the last byte
        if (w != Wait::Ready)
            break;
        // Never more than the room left: the marks only ever shorten what was read.
        std::uint8_t* into = p.marked ? chunk : buffer + r.count;
        const ssize_t n = ::read(p.fd, into, std::min(max - r.count, p.marked ? sizeof chunk : max));
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            break; // hang-up or error: what arrived is all there is
        }
        if (p.marked) {
            r.count += unmark.decode(chunk, static_cast<std::size_t>(n), buffer + r.count);
            r.damaged = unmark.damaged();
        } else {
            r.count += static_cast<std::size_t>(n);
        }
        lastByte = Clock::now();
        // A rule that claims more bytes than arrived has not seen a complete frame yet.
        if (const std::size_t end = rule ? rule(buffer, r.count, context) : 0; end > 0 && end <= r.count) {
            r.frame = end;
            r.settled = end == r.count; // else bytes of something else came with it
            r.count = end;
            break;
        }
    }
    return r;
}

} // namespace uart::detail
