#include "port_io.hpp"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace uart::detail {
namespace {

// Silence after the last byte that ends a receive without a frame rule.
Clock::duration silenceGap(const LineSettings& s) {
    return std::chrono::milliseconds(UART_GAP_MS) + std::chrono::microseconds(characterMicros(s) * 7 / 2);
}

// Reads and drops what arrives until the line has been quiet for the port's guard, counted from
// the end of the call that left it unsettled; gives up waiting at twice the guard.
void settle(Port& p) {
    if (p.guard == Clock::duration::zero())
        return;
    const auto limit = Clock::now() + 2 * p.guard;
    auto quietUntil = p.quietSince + p.guard;
    std::uint8_t junk[256];
    while (Clock::now() < limit) {
        pollfd pfd{p.fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, msLeft(std::min(quietUntil, limit)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || (pfd.revents & POLLIN) == 0)
            break;
        const ssize_t n = ::read(p.fd, junk, sizeof junk);
        if (n <= 0 && !(n < 0 && (errno == EAGAIN || errno == EINTR)))
            break; // hang-up: the write will tell
        quietUntil = Clock::now() + p.guard;
    }
    p.guard = Clock::duration::zero();
}

} // namespace

void leaveUnsettled(Port& p, std::uint16_t timeoutMs) {
    const auto late = std::chrono::milliseconds(std::min<std::uint16_t>(timeoutMs, UART_GUARD_MAX_MS));
    p.guard = late + std::chrono::microseconds(characterMicros(p.settings) * UART_GUARD_CHARS);
    p.quietSince = Clock::now();
}

// Milliseconds left until deadline, never negative.
int msLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

std::uint16_t writeAll(Port& p, const std::uint8_t* data, std::size_t count) {
    settle(p);
    tcflush(p.fd, TCIFLUSH); // what is pending belongs to no request of ours
    // Allow twice the wire time and one second for the driver's queue to take the bytes.
    const auto wire = std::chrono::microseconds(characterMicros(p.settings) * count);
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
        pollfd pfd{p.fd, POLLOUT, 0};
        if (msLeft(deadline) == 0 || (::poll(&pfd, 1, msLeft(deadline)) < 0 && errno != EINTR))
            return UART_WRITE_ERROR;
    }
    tcdrain(p.fd);
    return UART_OK;
}

Received receive(Port& p, std::uint8_t* buffer, std::size_t max, Clock::time_point deadline,
                 UartFrameRule rule, void* context) {
    Received r;
    const auto gap = silenceGap(p.settings);
    auto lastByte = Clock::now();
    while (r.count < max) {
        auto until = deadline;
        if (r.count > 0 && !rule)
            until = std::min(deadline, lastByte + gap);
        pollfd pfd{p.fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, msLeft(until));
        if (ready < 0 && errno == EINTR)
            continue;
        r.settled = ready == 0 && until < deadline; // the silence after the last byte
        if (ready <= 0 || (pfd.revents & POLLIN) == 0)
            break;
        const ssize_t n = ::read(p.fd, buffer + r.count, max - r.count);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            break; // hang-up or error: what arrived is all there is
        }
        r.count += static_cast<std::size_t>(n);
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
