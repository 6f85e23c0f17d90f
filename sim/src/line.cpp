// The line thread: collects the bytes the program writes, cuts them into frames by asking the
// devices, and writes the replies back at the wire speed of the line.
#include "tev/sim/line.hpp"

#include "serial_fd.hpp"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <system_error>

namespace tev::sim {
namespace {

using Clock = std::chrono::steady_clock;

// With TEV_TRACE=1 every frame heard and every reply goes to stderr: time, line, direction, bytes.
void Trace(const std::string& path, const char* arrow, std::span<const std::uint8_t> bytes) {
    static const bool on = [] {
        const char* value = std::getenv("TEV_TRACE");
        return value && std::strcmp(value, "1") == 0;
    }();
    if (!on)
        return;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    std::string out(32, '\0');
    out.resize(static_cast<std::size_t>(std::snprintf(out.data(), out.size(), "%02d:%02d:%02d.%03d", local.tm_hour,
                                                      local.tm_min, local.tm_sec, static_cast<int>(ms))));
    out += " sim " + path + " " + arrow;
    for (const std::uint8_t b : bytes.first(std::min<std::size_t>(bytes.size(), 300))) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        out += hex;
    }
    out += '\n';
    std::fputs(out.c_str(), stderr);
}

constexpr std::size_t kMaxPending = 1024;                      // bytes kept while a frame is incomplete
constexpr auto kIncompleteGap = std::chrono::milliseconds(60); // silence that ends an incomplete frame
constexpr auto kClosedPoll = std::chrono::milliseconds(5);     // look again for a reopened port

// Whether a fault counter (see LineOptions) applies to reply number `reply` (from 1); takes one
// application of a "next n" counter.
bool Consume(std::atomic<int>& counter, std::uint64_t reply) {
    int value = counter.load();
    while (value != 0) {
        if (value < 0)
            return reply % static_cast<std::uint64_t>(-static_cast<std::int64_t>(value)) == 0;
        if (counter.compare_exchange_weak(value, value - 1))
            return true;
    }
    return false;
}

Clock::duration ByteTime(const LineState& state) {
    if (state.baud == 0)
        return Clock::duration::zero();
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(
        static_cast<std::int64_t>(state.bitsPerByte) * 1'000'000'000LL / state.baud));
}

} // namespace

struct Line::Pending {
    std::vector<std::uint8_t> bytes;
    Clock::time_point firstAt{}; // arrival of the first byte still pending
    Clock::time_point lastAt{};  // arrival of the latest chunk
    bool overflowed = false;     // more bytes than any frame: drop input until the line is quiet
};

Line::Line() {
    m_fd = detail::OpenPseudoTerminal(m_path);
}

Line::Line(std::string realDevice) : m_path(std::move(realDevice)), m_real(true) {}

Line::~Line() {
    stop();
    if (m_fd >= 0)
        ::close(m_fd);
}

void Line::add(std::shared_ptr<Device> device) {
    if (!device)
        return;
    std::lock_guard lock(m_devicesMutex);
    m_devices.push_back(std::move(device));
}

std::vector<std::shared_ptr<Device>> Line::devicesSnapshot() {
    std::lock_guard lock(m_devicesMutex);
    return m_devices;
}

void Line::start() {
    if (m_thread.joinable())
        return;
    if (m_real && m_fd < 0)
        m_fd = detail::OpenRealDevice(m_path, m_options.realBaud, m_options.realParity);
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
    m_stop = false;
    m_thread = std::thread([this] { run(); });
}

void Line::stop() {
    if (!m_thread.joinable())
        return;
    m_stop = true;
    const char byte = 0;
    [[maybe_unused]] auto written = ::write(m_wake[1], &byte, 1);
    m_thread.join();
    ::close(m_wake[0]);
    ::close(m_wake[1]);
    m_wake[0] = m_wake[1] = -1;
}

bool Line::waitReadable(int timeoutMs) {
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0)
        return false;
    if ((fds[0].revents & POLLIN) != 0)
        return true;
    if ((fds[0].revents & (POLLHUP | POLLERR)) != 0)
        pauseUntil(Clock::now() + kClosedPoll); // the program has closed its end: nothing to read
    return false;
}

bool Line::pauseUntil(Clock::time_point deadline) {
    // ppoll rather than poll: pacing at 115200 bit/s needs waits far below a millisecond.
    while (!m_stop) {
        const auto left =
            std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return true;
        const timespec wait{static_cast<time_t>(left / 1'000'000'000),
                            static_cast<long>(left % 1'000'000'000)};
        pollfd wake{m_wake[0], POLLIN, 0};
        ::ppoll(&wake, 1, &wait, nullptr);
    }
    return false;
}

LineState Line::readState() const {
    LineState state;
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0)
        return state;
    state.baud = detail::BaudOf(cfgetospeed(&tio));
    state.bitsPerByte = 10 + ((tio.c_cflag & PARENB) != 0 ? 1 : 0) + ((tio.c_cflag & CSTOPB) != 0 ? 1 : 0);
    return state;
}

void Line::run() {
    Pending pending;
    std::uint8_t chunk[256];
    while (!m_stop) {
        if (waitReadable(pending.bytes.empty() ? 100 : 5)) {
            const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
            if (n > 0)
                take(pending, std::span<const std::uint8_t>(chunk, static_cast<std::size_t>(n)));
        }
        serveBytes(pending);
        if (Clock::now() - pending.lastAt > kIncompleteGap) {
            pending.bytes.clear();
            pending.overflowed = false;
        }
    }
}

void Line::take(Pending& pending, std::span<const std::uint8_t> chunk) {
    const auto now = Clock::now();
    pending.lastAt = now;
    // A run longer than any frame is dropped whole, up to the next quiet moment, as a receiver
    // whose buffer overflowed does; its tail must not pass for a frame of its own.
    if (pending.overflowed || pending.bytes.size() + chunk.size() > kMaxPending) {
        pending.bytes.clear();
        pending.overflowed = true;
        return;
    }
    if (pending.bytes.empty())
        pending.firstAt = now;
    pending.bytes.insert(pending.bytes.end(), chunk.begin(), chunk.end());
}

void Line::serveBytes(Pending& pending) {
    while (!pending.bytes.empty() && !m_stop) {
        const auto devices = devicesSnapshot();
        const std::span<const std::uint8_t> bytes(pending.bytes);
        std::vector<std::size_t> lengths;
        std::size_t frame = kNotAFrame;
        bool needMore = false;
        for (const auto& device : devices) {
            lengths.push_back(device->frameLength(bytes));
            if (lengths.back() == 0)
                needMore = true;
            else if (lengths.back() <= bytes.size())
                frame = std::min(frame, lengths.back());
        }
        if (frame == kNotAFrame) {
            if (needMore)
                return;
            pending.bytes.erase(pending.bytes.begin()); // noise: resynchronise on the next byte
            continue;
        }
        const LineState state = readState();
        ++m_options.framesHeard;
        Trace(m_path, "<-", bytes.first(frame));
        if (m_options.pacing && !pauseUntil(pending.firstAt + ByteTime(state) * frame))
            return;
        Reply reply;
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (lengths[i] != frame)
                continue;
            Reply r = devices[i]->answer(bytes.first(frame), state);
            if (reply.bytes.empty())
                reply = std::move(r);
        }
        pending.bytes.erase(pending.bytes.begin(),
                            pending.bytes.begin() + static_cast<std::ptrdiff_t>(frame));
        if (!reply.bytes.empty())
            sendReply(std::move(reply), state);
        pending.firstAt = Clock::now();
    }
}

void Line::sendReply(Reply reply, const LineState& state) {
    const std::uint64_t number = ++m_replies;
    if (Consume(m_options.dropReplies, number))
        return;
    const int delay =
        Consume(m_options.lateReplies, number) ? m_options.lateReplyMs.load() : m_options.replyDelayMs.load();
    if (delay > 0 && !pauseUntil(Clock::now() + std::chrono::milliseconds(delay)))
        return;
    if (Consume(m_options.corruptReplies, number) && reply.checksumAt < reply.bytes.size())
        reply.bytes[reply.checksumAt] ^= 0x5A;
    if (Consume(m_options.truncateReplies, number))
        reply.bytes.resize(std::max<std::size_t>(1, reply.bytes.size() / 2));
    if (Consume(m_options.garbageReplies, number))
        reply.bytes.insert(reply.bytes.begin(), std::begin(kGarbage), std::end(kGarbage));
    Trace(m_path, "->", reply.bytes);
    writePaced(reply.bytes, state);
}

void Line::writePaced(std::span<const std::uint8_t> bytes, const LineState& state) {
    const auto perByte = ByteTime(state);
    if (!m_options.pacing || perByte == Clock::duration::zero()) {
        detail::WriteAll(m_fd, bytes);
        return;
    }
    // Each byte is handed over when its stop bit would have left the wire; a late wake-up sends
    // every byte that is due at once, so the whole reply keeps the wire time.
    const auto start = Clock::now();
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (!pauseUntil(start + perByte * (sent + 1)))
            return; // stopping: the rest of the reply is never sent
        const auto due =
            std::min<std::size_t>(bytes.size(), static_cast<std::size_t>((Clock::now() - start) / perByte));
        const std::size_t count = std::max<std::size_t>(due, sent + 1) - sent;
        detail::WriteAll(m_fd, bytes.subspan(sent, count));
        sent += count;
    }
}

} // namespace tev::sim
