#include "port_io.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "net_line.hpp"
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
        if (ready > 0 && fds[0].revents != 0) {
            if (p.kind != LineKind::Device)
                p.dropped = true; // reset by the gateway
            return Wait::HangUp;
        }
        if (ready == 0)
            return Wait::Timeout;
    }
}

// Reads what the line holds, as read(2) does; on a network line only line data (see ReadNet).
ssize_t ReadLine(Port& p, std::uint8_t* buffer, std::size_t size) {
    return p.kind == LineKind::Device ? ::read(p.fd, buffer, size) : ReadNet(p, buffer, size);
}

constexpr Clock::duration kLearnMax = std::chrono::milliseconds(UART_GUARD_LEARN_MAX_MS);

// Notes that a reply came `lateness` after its request: the guard after a later timeout covers it.
void Learn(Port& p, Clock::duration lateness) {
    p.cleanRun = 0;
    p.learned = std::clamp(lateness, p.learned, kLearnMax);
}

// Until when a send after the timed-out request at p.lateFrom holds back: its learned lateness
// plus a quarter of it, for the device's own jitter.
Clock::time_point LateUntil(const Port& p) {
    if (!p.awaitingLate || p.learned == Clock::duration::zero())
        return {};
    return p.lateFrom + p.learned + p.learned / 4;
}

// Reads and drops what is pending and what arrives until the line has been quiet for `quiet`, from
// `quietUntil` on and at least until `lateUntil`. A reply still streaming in keeps it waiting, up to
// `limit`: a line that never falls quiet. Returns false when cancelled; `dropped` gets the time the
// first byte was dropped.
bool DropUntilQuiet(Port& p, Clock::duration quiet, Clock::time_point quietUntil, Clock::time_point lateUntil,
                    Clock::time_point limit, std::optional<Clock::time_point>& dropped) {
    std::uint8_t junk[256];
    while (Clock::now() < limit) {
        const Wait w = WaitOn(p, POLLIN, std::min(std::max(quietUntil, lateUntil), limit));
        if (w == Wait::Cancelled)
            return false;
        if (w != Wait::Ready)
            break; // quiet, or hung up: the write will tell
        const ssize_t n = ReadLine(p, junk, sizeof junk);
        if (n <= 0 && !(n < 0 && (errno == EAGAIN || errno == EINTR)))
            break;
        if (n <= 0)
            continue;
        if (!dropped)
            dropped = Clock::now();
        if (trace::Enabled())
            trace::Line(p.number, p.path, trace::Direction::Dropped, {junk, static_cast<std::size_t>(n)},
                        false, UART_OK);
        quietUntil = Clock::now() + quiet;
    }
    return true;
}

// Before a send on a port left unsettled: drops what arrives until the line has been quiet for the
// port's guard, counted from the end of the call that left it unsettled, and, once the device has
// been seen answering late, until the timed-out request is as old as that lateness plus a margin.
// Bytes that come are the late reply: their lateness is learned.
bool Settle(Port& p) {
    if (p.guard == Clock::duration::zero())
        return true;
    const auto lateUntil = LateUntil(p);
    const auto limit = std::max(Clock::now(), lateUntil) + p.guard +
                       std::chrono::microseconds(CharacterMicros(p.settings) * UART_GUARD_SPAN_CHARS);
    std::optional<Clock::time_point> dropped;
    if (!DropUntilQuiet(p, p.guard, p.quietSince + p.guard, lateUntil, limit, dropped))
        return false;
    if (dropped && p.awaitingLate) {
        Learn(p, *dropped - p.lateFrom);
        p.awaitingLate = false; // the late reply has come
    }
    p.guard = Clock::duration::zero();
    return true;
}

// Bytes waiting on the port.
int Pending(const Port& p) {
    int pending = 0;
    return ioctl(p.fd, FIONREAD, &pending) == 0 ? pending : 0;
}

// Bytes that came since the last call ended, unasked, were a reply late for an earlier request: to
// the timed-out one, or to the one the last exchange answered if that exchange followed a timeout
// (it took the late reply, and its own came after). Learns their lateness, and lets a reply still
// streaming in end before the send.
bool DropUnasked(Port& p) {
    if (Pending(p) == 0)
        return true;
    if (p.suspect)
        Learn(p, p.suspectFirst - p.suspectFrom);
    else if (p.awaitingLate && Clock::now() - p.lateFrom <= kLearnMax)
        Learn(p, Clock::now() - p.lateFrom);
    p.awaitingLate = false;
    const auto quiet = std::chrono::milliseconds(UART_GAP_MS) +
                       std::chrono::microseconds(CharacterMicros(p.settings) * UART_GUARD_CHARS);
    const auto limit =
        Clock::now() + quiet + std::chrono::microseconds(CharacterMicros(p.settings) * UART_GUARD_SPAN_CHARS);
    std::optional<Clock::time_point> dropped;
    return DropUntilQuiet(p, quiet, Clock::now() + quiet, {}, limit, dropped);
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

void NoteReceive(Port& p, const Received& r, std::uint16_t timeoutMs) {
    if (r.count > 0 && p.suspect && !r.settled && r.frame > 0)
        Learn(p, r.firstAt - p.suspectFrom); // a second reply right behind the one taken
    if (r.count > 0)
        p.suspectFirst = r.firstAt;
    else
        p.suspect = false;
    if (!r.settled) {
        LeaveUnsettled(p, timeoutMs);
        return;
    }
    // Replies on time, one after another: what was learned fades.
    if (p.learned > Clock::duration::zero() && ++p.cleanRun >= UART_GUARD_CLEAN_RUN) {
        p.cleanRun = 0;
        p.learned /= 2;
        if (p.learned < std::chrono::milliseconds(UART_GAP_MS))
            p.learned = Clock::duration::zero();
    }
}

void LeaveUnsettled(Port& p, std::uint16_t timeoutMs) {
    // A module's turn-around and a USB adapter's chunking make even the reply to a short timeout late
    // by up to the silence gap.
    const auto late = std::chrono::milliseconds(
        std::max<std::uint16_t>(std::min<std::uint16_t>(timeoutMs, UART_GUARD_MAX_MS), UART_GAP_MS));
    p.guard = late + std::chrono::microseconds(CharacterMicros(p.settings) * UART_GUARD_CHARS);
    p.quietSince = Clock::now();
    p.lateFrom = p.sentAt;
    p.awaitingLate = true;
}

// Milliseconds left until deadline, never negative.
int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

namespace {

// Before a request goes out: the line quiet after a timed-out request, and what is pending, which
// belongs to no request of ours, dropped. A status other than UART_OK when it cannot go out.
std::uint16_t PrepareSend(Port& p) {
    if (!Settle(p) || !DropUnasked(p))
        return UART_CANCELLED;
    if (p.kind == LineKind::Device)
        tcflush(p.fd, TCIFLUSH);
    else
        DiscardNet(p);
    if (p.dropped)
        return UART_NOT_OPEN;
    // The reply this request gets may be the late one of the timed-out request before it.
    p.suspect = p.awaitingLate;
    p.suspectFrom = p.lateFrom;
    p.behindChecked = false;
    p.awaitingLate = false;
    return UART_OK;
}

} // namespace

std::uint16_t WriteAll(Port& p, const std::uint8_t* data, std::size_t count) {
    if (const std::uint16_t status = PrepareSend(p); status != UART_OK)
        return status;
    std::string escaped;
    if (p.kind == LineKind::Rfc2217) {
        escaped = telnet::Escape(data, count);
        data = reinterpret_cast<const std::uint8_t*>(escaped.data());
        count = escaped.size();
    }
    // Allow twice the wire time and one second for the driver's queue to take the bytes.
    const auto wire = std::chrono::microseconds(CharacterMicros(p.settings) * count);
    const auto deadline = Clock::now() + 2 * wire + std::chrono::seconds(1);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = p.kind == LineKind::Device ? ::write(p.fd, data + done, count - done)
                                                     : WriteNet(p, data + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return p.dropped ? UART_NOT_OPEN : UART_WRITE_ERROR;
        if (const Wait w = WaitOn(p, POLLOUT, deadline); w != Wait::Ready)
            return w == Wait::Cancelled ? UART_CANCELLED : p.dropped ? UART_NOT_OPEN : UART_WRITE_ERROR;
    }
    if (p.kind == LineKind::Device)
        tcdrain(p.fd);
    p.sentAt = Clock::now();
    return UART_OK;
}

namespace {

enum class ReadResult { Got, Again, End };

// Reads what the port holds into buffer behind r.count, through the mark decoder on a marked line;
// End at hang-up or error: what arrived is all there is.
ReadResult ReadSome(Port& p, Received& r, Unmarker& unmark, std::uint8_t* buffer, std::size_t max) {
    std::uint8_t chunk[256];
    // Never more than the room left: the marks only ever shorten what was read.
    std::uint8_t* into = p.marked ? chunk : buffer + r.count;
    const ssize_t n = ReadLine(p, into, std::min(max - r.count, p.marked ? sizeof chunk : max));
    if (n <= 0)
        return n < 0 && (errno == EAGAIN || errno == EINTR) ? ReadResult::Again : ReadResult::End;
    if (r.count == 0)
        r.firstAt = Clock::now();
    if (p.marked) {
        r.count += unmark.decode(chunk, static_cast<std::size_t>(n), buffer + r.count);
        r.damaged = unmark.damaged();
    } else {
        r.count += static_cast<std::size_t>(n);
    }
    return ReadResult::Got;
}

// Right after a timed-out request the frame ending at `end` may be that request's late reply: then
// this request's own reply follows it at once. Bytes behind the frame within the silence gap show it;
// the frame is dropped and the receive goes on. Returns the end of the frame now at the front (0:
// none); sets r.cancelled when woken meanwhile.
std::size_t DropLateReply(Port& p, Received& r, std::uint8_t* buffer, std::size_t end,
                          Clock::time_point deadline, Clock::time_point lastByte, UartFrameRule rule,
                          void* context) {
    while (end > 0 && end <= r.count && p.suspect && !p.behindChecked) {
        p.behindChecked = true;
        if (end == r.count) {
            const Wait behind = WaitOn(p, POLLIN, std::min(deadline, Clock::now() + SilenceGap(p.settings)));
            if (behind == Wait::Cancelled)
                r.cancelled = true;
            if (behind != Wait::Ready)
                return end; // nothing behind it: the frame is the reply
        }
        Learn(p, r.firstAt - p.suspectFrom);
        p.suspect = false; // what follows answers this request
        if (trace::Enabled())
            trace::Line(p.number, p.path, trace::Direction::Dropped, {buffer, end}, false, UART_OK);
        std::memmove(buffer, buffer + end, r.count - end);
        r.count -= end;
        r.firstAt = lastByte;
        end = r.count > 0 ? rule(buffer, r.count, context) : 0;
    }
    return end;
}

} // namespace

Received Receive(Port& p, std::uint8_t* buffer, std::size_t max, Clock::time_point deadline,
                 UartFrameRule rule, void* context) {
    Received r;
    Unmarker unmark;
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
        const ReadResult read = ReadSome(p, r, unmark, buffer, max);
        if (read == ReadResult::Again)
            continue;
        if (read == ReadResult::End)
            break;
        lastByte = Clock::now();
        // A rule that claims more bytes than arrived has not seen a complete frame yet.
        std::size_t end = rule ? rule(buffer, r.count, context) : 0;
        end = DropLateReply(p, r, buffer, end, deadline, lastByte, rule, context);
        if (r.cancelled)
            break;
        if (end > 0 && end <= r.count) {
            r.frame = end;
            r.settled = end == r.count; // else bytes of something else came with it
            r.count = end;
            break;
        }
    }
    return r;
}

} // namespace uart::detail
