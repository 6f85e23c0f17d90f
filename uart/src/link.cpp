// The exported operations: a table of ports, each with its descriptor and settings.
#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <span>
#include <string>
#include <unistd.h>

#include "ascii_frame.hpp"
#include "line_setup.hpp"
#include "net_line.hpp"
#include "port_io.hpp"
#include "port_map.hpp"
#include "trace.hpp"
#include <tev/uart.h>

namespace {

using uart::detail::Clock;
using uart::detail::Port;
using uart::detail::Receive;
using uart::detail::Received;
using uart::detail::WriteAll;

std::array<Port, 256> g_ports;

// The port held for one call. The call's ticket is noted before it waits for the port, so a cancel
// while it waits ends it too.
class Claim {
  public:
    explicit Claim(uint8_t port)
        : m_port(g_ports[port]), m_ticket(m_port.cancels.load()), m_lock(m_port.mutex) {
        m_port.ticket = m_ticket;
    }
    Claim(uint8_t port, Clock::time_point deadline)
        : m_port(g_ports[port]), m_ticket(m_port.cancels.load()), m_lock(m_port.mutex, deadline) {
        if (m_lock)
            m_port.ticket = m_ticket;
    }
    // UART_OK when the call may use the port.
    uint16_t status() const {
        if (!m_lock)
            return UART_TIMEOUT; // another call held the port for the whole timeout
        if (uart::detail::Cancelled(m_port))
            return UART_CANCELLED;
        return m_port.fd >= 0 ? UART_OK : UART_NOT_OPEN;
    }
    Port& port() const { return m_port; }

  private:
    Port& m_port;
    uint32_t m_ticket;
    std::unique_lock<std::timed_mutex> m_lock;
};

void TraceFrame(const Port& p, uart::detail::trace::Direction direction, const void* data, std::size_t count,
                bool ascii, uint16_t status) {
    if (uart::detail::trace::Enabled())
        uart::detail::trace::Line(p.number, p.path, direction, {static_cast<const uint8_t*>(data), count},
                                  ascii, status);
}

uint16_t WriteFrame(Port& p, const void* data, std::size_t count, bool ascii) {
    const uint16_t status = WriteAll(p, static_cast<const uint8_t*>(data), count);
    TraceFrame(p, uart::detail::trace::Direction::Sent, data, count, ascii, status);
    return status;
}

void ClosePort(Port& p) {
    if (p.fd >= 0 && p.kind == uart::detail::LineKind::Device)
        uart::detail::CloseDevice(p.fd);
    else if (p.fd >= 0)
        ::close(p.fd);
    p.fd = -1;
    p.dropped = false;
    uart::detail::CloseWake(p);
}

// After a call on a network line: a connection the gateway ended fails the call with UART_NOT_OPEN
// and closes the port, which the next OpenLink connects afresh.
uint16_t CheckDropped(Port& p, uint16_t status) {
    if (!p.dropped || status == UART_CANCELLED)
        return status;
    p.openError = p.path + ": connection closed by the gateway";
    ClosePort(p);
    return UART_NOT_OPEN;
}

uart::detail::SetupResult Configure(Port& p) {
    return p.kind == uart::detail::LineKind::Device ? uart::detail::ConfigureLine(p.fd, p.settings)
                                                    : uart::detail::ConfigureGateway(p, p.settings);
}

// Opens the device afresh; UART_OK or the status with p.openError set.
uint16_t OpenPort(Port& p, const std::string& path) {
    if (path != p.path)
        p.guard = Clock::duration::zero(); // a late reply on another device is no concern of this one
    // What was learned of the device's lateness belongs to the session: the device may be another.
    p.learned = Clock::duration::zero();
    p.cleanRun = 0;
    p.awaitingLate = false;
    p.suspect = false;
    const uart::detail::LineName name = uart::detail::ParseLineName(path);
    p.kind = name.kind;
    p.path = path;
    if (name.kind != uart::detail::LineKind::Device) {
        // The wake descriptor comes first: a cancel ends the connect.
        if (!uart::detail::OpenWake(p)) {
            p.openError = std::string("no wake-up descriptor: ") + std::strerror(errno);
            return UART_PORT_ERROR;
        }
        const uart::detail::SetupResult connected = uart::detail::ConnectGateway(p, name);
        if (connected.status != UART_OK) {
            p.openError = connected.error;
            ClosePort(p);
        }
        return connected.status;
    }
    uart::detail::SetupResult failed;
    p.fd = uart::detail::OpenDevice(path, failed);
    if (p.fd < 0) {
        p.openError = failed.error;
        return failed.status;
    }
    if (!uart::detail::OpenWake(p)) {
        p.openError = std::string("no wake-up descriptor: ") + std::strerror(errno);
        ClosePort(p);
        return UART_PORT_ERROR;
    }
    return UART_OK;
}

size_t CopyText(const std::string& text, char* buffer, size_t size) {
    if (buffer && size > 0) {
        const size_t n = std::min(text.size(), size - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return text.size();
}

std::size_t AsciiRule(const uint8_t* data, std::size_t length, void*) {
    return uart::detail::AsciiReplyEnd({data, length});
}

// UART_OK when OpenLink's arguments are ones the library supports, else the status and why.
uint16_t CheckSettings(uint8_t port, uint32_t baud, uint8_t dataBits, uint8_t parity, uint8_t stopBits,
                       std::string& why) {
    if (port == 0) {
        why = "port 0 does not exist; ports count from 1 (COM1)";
        return UART_PORT_ERROR;
    }
    if (!uart::detail::SupportedRate(baud)) {
        why = std::to_string(baud) + " bit/s is not a rate the line can be set to";
        return UART_BAUD_ERROR;
    }
    if (dataBits != 8 || parity > 2 || (stopBits != 0 && stopBits != 2)) {
        why = "only 8 data bits, parity none/even/odd and one or two stop bits are supported";
        return UART_PARITY_ERROR;
    }
    return UART_OK;
}

} // namespace

extern "C" {

uint16_t OpenLink(uint8_t port, uint32_t baud, uint8_t dataBits, uint8_t parity, uint8_t stopBits) {
    Port& p = g_ports[port];
    const uint32_t ticket = p.cancels.load(); // a cancel from here on ends a connect under way
    std::lock_guard lock(p.mutex);
    p.ticket = ticket;
    p.openError.clear();
    // A failed open never leaves the port open with its former settings.
    if (const uint16_t status = CheckSettings(port, baud, dataBits, parity, stopBits, p.openError)) {
        ClosePort(p);
        return status;
    }
    p.number = port;
    const std::string path = uart::detail::DevicePath(port);
    if (p.fd >= 0 && p.path != path)
        ClosePort(p);
    const bool reused = p.fd >= 0;
    if (!reused)
        if (const uint16_t status = OpenPort(p, path))
            return status;
    p.settings = {baud, parity, stopBits};
    auto result = Configure(p);
    if (result.status == UART_PORT_ERROR && reused) {
        // The descriptor kept open may belong to a device that has gone (hang-up) while a new one
        // took its name, or to a connection the gateway has closed: open the name afresh.
        ClosePort(p);
        if (const uint16_t status = OpenPort(p, path))
            return status;
        result = Configure(p);
    }
    p.marked = result.marked;
    if (result.status != UART_OK) {
        p.openError = p.kind == uart::detail::LineKind::Device ? path + ": " + result.error : result.error;
        ClosePort(p);
    }
    return result.status;
}

uint16_t CloseLink(uint8_t port) {
    Port& p = g_ports[port];
    uart::detail::CancelCalls(p);
    std::lock_guard lock(p.mutex);
    ClosePort(p);
    return UART_OK;
}

uint16_t UartCancel(uint8_t port) {
    uart::detail::CancelCalls(g_ports[port]);
    return UART_OK;
}

uint16_t SendBytes(uint8_t port, const uint8_t* buffer, uint16_t count) {
    const Claim claim(port);
    if (const uint16_t status = claim.status())
        return status;
    if (!buffer && count > 0)
        return UART_WRITE_ERROR;
    return CheckDropped(claim.port(), WriteFrame(claim.port(), buffer, count, false));
}

uint16_t ReceiveFrame(uint8_t port, uint8_t* buffer, uint16_t timeoutMs, uint16_t maxCount,
                      uint16_t* received, UartFrameRule rule, void* context) {
    if (received)
        *received = 0;
    // The timeout runs from the call, waiting for another caller of this port included.
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const Claim claim(port, deadline);
    if (const uint16_t status = claim.status())
        return status;
    if (!buffer || maxCount == 0)
        return UART_TIMEOUT;
    Port& p = claim.port();
    const Received r = Receive(p, buffer, maxCount, deadline, rule, context);
    uart::detail::NoteReceive(p, r, timeoutMs);
    if (received)
        *received = static_cast<uint16_t>(r.count);
    const bool complete = rule ? r.frame > 0 : r.count > 0;
    const uint16_t status = CheckDropped(p, r.cancelled ? UART_CANCELLED
                                            : r.damaged ? UART_LINE_ERROR
                                            : complete  ? UART_OK
                                                        : UART_TIMEOUT);
    TraceFrame(p, uart::detail::trace::Direction::Received, buffer, r.count, false, status);
    return status;
}

uint16_t ReceiveBytes(uint8_t port, uint8_t* buffer, uint16_t timeoutMs, uint16_t maxCount,
                      uint16_t* received) {
    return ReceiveFrame(port, buffer, timeoutMs, maxCount, received, nullptr, nullptr);
}

uint16_t ExchangeCommand(uint8_t port, const char* command, char* reply, uint16_t timeoutMs,
                         uint16_t checksum, uint16_t* replyLength) {
    if (replyLength)
        *replyLength = 0;
    if (reply)
        reply[0] = '\0';
    // The timeout runs from the call; the time spent writing the command is added to it.
    const auto start = Clock::now();
    const Claim claim(port, start + std::chrono::milliseconds(timeoutMs));
    if (const uint16_t status = claim.status())
        return status;
    if (!command || !reply)
        return UART_WRITE_ERROR;
    Port& p = claim.port();
    const std::string wire = uart::detail::EncodeCommand(command, checksum != 0);
    const auto writeStart = Clock::now();
    if (const uint16_t status = WriteFrame(p, wire.data(), wire.size(), true))
        return CheckDropped(p, status);
    const auto deadline = start + std::chrono::milliseconds(timeoutMs) + (Clock::now() - writeStart);
    std::array<uint8_t, UART_REPLY_MAX> raw{};
    const Received r = Receive(p, raw.data(), raw.size(), deadline, AsciiRule, nullptr);
    uart::detail::NoteReceive(p, r, timeoutMs);
    const auto decoded = uart::detail::DecodeReply(std::span(raw.data(), r.count), checksum != 0, reply);
    const bool dropped = p.dropped && !r.cancelled;
    const uint16_t status = CheckDropped(p, r.cancelled ? uint16_t{UART_CANCELLED}
                                            : r.damaged ? uint16_t{UART_LINE_ERROR}
                                                        : decoded.status);
    TraceFrame(p, uart::detail::trace::Direction::Received, raw.data(), r.count, true, status);
    if (r.cancelled || r.damaged || dropped) {
        reply[0] = '\0'; // an unfinished or damaged reply: the text is empty
        return status;
    }
    if (replyLength)
        *replyLength = static_cast<uint16_t>(decoded.length);
    return decoded.status;
}

uint16_t SendCommand(uint8_t port, const char* command, uint16_t checksum) {
    const Claim claim(port);
    if (const uint16_t status = claim.status())
        return status;
    if (!command)
        return UART_WRITE_ERROR;
    const std::string wire = uart::detail::EncodeCommand(command, checksum != 0);
    return CheckDropped(claim.port(), WriteFrame(claim.port(), wire.data(), wire.size(), true));
}

uint16_t UartSettle(uint8_t port) {
    const Claim claim(port);
    if (const uint16_t status = claim.status())
        return status;
    claim.port().guard = Clock::duration::zero();
    claim.port().awaitingLate = false;
    return UART_OK;
}

size_t UartPortDevice(uint8_t port, char* buffer, size_t size) {
    return CopyText(uart::detail::DevicePath(port), buffer, size);
}

size_t UartOpenError(uint8_t port, char* buffer, size_t size) {
    Port& p = g_ports[port];
    std::lock_guard lock(p.mutex);
    return CopyText(p.openError, buffer, size);
}

} // extern "C"
