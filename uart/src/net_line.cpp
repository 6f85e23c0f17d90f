#include "net_line.hpp"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "port.hpp"
#include "port_io.hpp"
#include <tev/uart.h>

namespace uart::detail {
namespace {

// A gateway that serves one client at a time takes the connection and closes it at once (after a
// line of text, some of them): a raw line waits this long for such a close before it counts as open.
constexpr int kBusyCheckMs = 30;

enum class Event { Ready, Timeout, Cancelled, Failed };

// Waits for events on fd until the deadline or a cancel of the port.
Event WaitFor(Port& p, int fd, short events, Clock::time_point deadline, short* revents = nullptr) {
    for (;;) {
        if (Cancelled(p))
            return Event::Cancelled;
        pollfd fds[2] = {{fd, events, 0}, {p.wakeFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, MsLeft(deadline));
        if (ready < 0 && errno != EINTR)
            return Event::Failed;
        if (ready > 0 && fds[1].revents != 0) {
            eventfd_t count = 0;
            eventfd_read(p.wakeFd, &count);
            continue;
        }
        if (ready > 0 && fds[0].revents != 0) {
            if (revents)
                *revents = fds[0].revents;
            return Event::Ready;
        }
        if (ready == 0)
            return Event::Timeout;
    }
}

std::string ConnectErrorText(int err) {
    switch (err) {
    case ECONNREFUSED:
        return "connection refused (no gateway listens on that port)";
    case ENETUNREACH:
    case EHOSTUNREACH:
    case EHOSTDOWN:
    case ENETDOWN:
        return std::string("unreachable (") + std::strerror(err) + ")";
    case ETIMEDOUT:
        return "connect timed out after " + std::to_string(UART_CONNECT_TIMEOUT_MS / 1000) + " s";
    default:
        return std::strerror(err);
    }
}

// Sends bytes that must all go (Telnet commands); false when the connection has ended.
bool SendAll(Port& p, const std::string& bytes, Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            WriteNet(p, reinterpret_cast<const std::uint8_t*>(bytes.data()) + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (WaitFor(p, p.fd, POLLOUT, deadline) != Event::Ready)
            return false;
    }
    return true;
}

void Offer(Port& p, std::string& out, std::uint8_t verb, std::uint8_t option) {
    std::uint64_t& sent = verb == telnet::kWill || verb == telnet::kWont ? p.offered : p.asked;
    const std::uint64_t bit = std::uint64_t{1} << (option % 64);
    if (option < 64 && (sent & bit) != 0)
        return;
    if (option < 64)
        sent |= bit;
    out += telnet::Command(verb, option);
}

bool Wanted(std::uint8_t option) {
    return option == telnet::kBinary || option == telnet::kSuppressGoAhead || option == telnet::kComPort;
}

// Answers the peer's negotiations: yes to the options a serial line needs, no to the rest, each
// once per connection.
void Answer(Port& p) {
    std::string out;
    for (std::size_t i = 0; i < p.telnet.negotiationCount(); ++i) {
        const auto [verb, option] = p.telnet.negotiation(i);
        if (verb == telnet::kDo)
            Offer(p, out, Wanted(option) ? telnet::kWill : telnet::kWont, option);
        else if (verb == telnet::kWill)
            Offer(p, out, Wanted(option) ? telnet::kDo : telnet::kDont, option);
    }
    p.telnet.clearNegotiations();
    if (!out.empty())
        WriteNet(p, reinterpret_cast<const std::uint8_t*>(out.data()), out.size()); // best effort
}

constexpr int kLookupCancelled = 1;
constexpr int kLookupTimedOut = 2;

// The addresses of host, 0 or an EAI_* code, kLookupCancelled or kLookupTimedOut. An address is
// taken as it is; a name is looked up on the resolver's own thread, so the wait for it ends at the
// deadline or at a cancel of the port.
// A background lookup and what it reads; owned by whoever ends it.
struct LookupRequest {
    std::string host;
    std::string service;
    addrinfo hints;
    gaicb cb;
};

// Waits for a background lookup to end, the deadline or a cancel of the port.
int AwaitLookup(Port& p, LookupRequest* r, Clock::time_point deadline, addrinfo** out) {
    for (;;) {
        if (const int rc = gai_error(&r->cb); rc != EAI_INPROGRESS) {
            *out = rc == 0 ? r->cb.ar_result : nullptr;
            delete r;
            return rc;
        }
        const bool cancelled = Cancelled(p);
        if (cancelled || Clock::now() >= deadline) {
            const int c = gai_cancel(&r->cb);
            if (c == EAI_ALLDONE && gai_error(&r->cb) == 0)
                freeaddrinfo(r->cb.ar_result);
            // A lookup still running owns its request until it ends: that one is left behind.
            if (c == EAI_CANCELED || c == EAI_ALLDONE)
                delete r;
            return cancelled ? kLookupCancelled : kLookupTimedOut;
        }
        const timespec slice{0, 20'000'000};
        const gaicb* const waiting[] = {&r->cb};
        gai_suspend(waiting, 1, &slice);
    }
}

int LookUp(Port& p, const std::string& host, const std::string& service, Clock::time_point deadline,
           addrinfo** out) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | AI_NUMERICHOST;
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, out) == 0)
        return 0;
    hints.ai_flags = AI_NUMERICSERV;
    auto* r = new LookupRequest{host, service, hints, {}};
    r->cb.ar_name = r->host.c_str();
    r->cb.ar_service = r->service.c_str();
    r->cb.ar_request = &r->hints;
    gaicb* list[] = {&r->cb};
    if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
        delete r;
        return EAI_SYSTEM;
    }
    return AwaitLookup(p, r, deadline, out);
}

struct AddrInfoFree {
    void operator()(addrinfo* a) const { freeaddrinfo(a); }
};

} // namespace

namespace {

const std::string kBusy = ": busy (the gateway closed the connection at once: it serves another client)";

// Why the lookup of the gateway's name failed.
SetupResult LookupFailure(const Port& p, int rc) {
    if (rc == kLookupCancelled)
        return {UART_CANCELLED, p.path + ": connect cancelled"};
    if (rc == kLookupTimedOut)
        return {UART_PORT_ERROR, p.path + ": name not found within " +
                                     std::to_string(UART_CONNECT_TIMEOUT_MS / 1000) +
                                     " s (connect timed out)"};
    return {UART_PORT_ERROR, p.path + ": " +
                                 (rc == EAI_NONAME || rc == EAI_FAIL || rc == EAI_AGAIN || rc == EAI_NODATA
                                      ? "name not found (" + std::string(gai_strerror(rc)) + ")"
                                      : std::string(gai_strerror(rc)))};
}

// Connects a socket to one address by the deadline: 0, the errno, or -1 when cancelled.
int ConnectOne(Port& p, const addrinfo* a, Clock::time_point deadline, int& fd) {
    fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0)
        return errno;
    int err = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
    if (err == EINPROGRESS) {
        const Event e = WaitFor(p, fd, POLLOUT, deadline);
        socklen_t len = sizeof err;
        if (e == Event::Cancelled)
            err = -1;
        else if (e != Event::Ready)
            err = ETIMEDOUT;
        else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
            err = errno;
    }
    if (err != 0) {
        ::close(fd);
        fd = -1;
    }
    return err;
}

// Connects to the first of the addresses that takes the connection; p.fd is set then.
SetupResult ConnectFirst(Port& p, const addrinfo* list, Clock::time_point deadline) {
    int lastError = ETIMEDOUT;
    for (const addrinfo* a = list; a; a = a->ai_next) {
        int fd = -1;
        const int err = ConnectOne(p, a, deadline, fd);
        if (err == -1)
            return {UART_CANCELLED, p.path + ": connect cancelled"};
        if (err == 0) {
            const int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one); // a request goes out at once
            setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
            setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
            p.fd = fd;
            return {};
        }
        lastError = err;
        if (err == ETIMEDOUT)
            break; // the time is spent
    }
    return {UART_PORT_ERROR, p.path + ": " + ConnectErrorText(lastError)};
}

// A raw gateway serving another client takes the connection and closes it at once.
SetupResult CheckNotBusy(Port& p) {
    short revents = 0;
    const Event e =
        WaitFor(p, p.fd, POLLRDHUP, Clock::now() + std::chrono::milliseconds(kBusyCheckMs), &revents);
    if (e == Event::Cancelled)
        return {UART_CANCELLED, p.path + ": connect cancelled"};
    if (e == Event::Ready)
        return {UART_PORT_ERROR, p.path + kBusy};
    return {};
}

// Offers the Telnet options of a port-control session.
SetupResult Negotiate(Port& p, Clock::time_point deadline) {
    std::string hello;
    Offer(p, hello, telnet::kWill, telnet::kBinary);
    Offer(p, hello, telnet::kDo, telnet::kBinary);
    Offer(p, hello, telnet::kWill, telnet::kSuppressGoAhead);
    Offer(p, hello, telnet::kDo, telnet::kSuppressGoAhead);
    Offer(p, hello, telnet::kWill, telnet::kComPort);
    if (!SendAll(p, hello, deadline))
        return {UART_PORT_ERROR, p.path + kBusy};
    return {};
}

} // namespace

SetupResult ConnectGateway(Port& p, const LineName& name) {
    if (!name.error.empty())
        return {UART_PORT_ERROR, p.path + ": " + name.error};
    const auto deadline = Clock::now() + std::chrono::milliseconds(UART_CONNECT_TIMEOUT_MS);
    addrinfo* found = nullptr;
    if (const int rc = LookUp(p, name.host, std::to_string(name.port), deadline, &found); rc != 0)
        return LookupFailure(p, rc);
    const std::unique_ptr<addrinfo, AddrInfoFree> list(found);
    if (SetupResult connected = ConnectFirst(p, list.get(), deadline); p.fd < 0)
        return connected;
    p.dropped = false;
    p.telnet.reset();
    p.offered = 0;
    p.asked = 0;
    return p.kind == LineKind::Tcp ? CheckNotBusy(p) : Negotiate(p, deadline);
}

SetupResult ConfigureGateway(Port& p, const LineSettings& s) {
    // A connection the gateway has closed shows as readable with nothing to read.
    pollfd pfd{p.fd, POLLRDHUP, 0};
    if (p.dropped || (::poll(&pfd, 1, 0) > 0 && pfd.revents != 0))
        return {UART_PORT_ERROR, p.path + ": the gateway closed the connection"};
    if (p.kind != LineKind::Rfc2217)
        return {};
    // The replies to the settings tell that the gateway has applied them before the first request.
    const auto deadline = Clock::now() + std::chrono::milliseconds(UART_CONNECT_TIMEOUT_MS);
    p.telnet.clearComPortReplies();
    if (!SendAll(p, telnet::PortSettings(s.baud, s.parity, s.stopBits), deadline))
        return {UART_PORT_ERROR, p.path + ": the gateway closed the connection"};
    constexpr unsigned kAll = 0x1E; // replies to commands 1..4
    std::uint8_t junk[256];
    while ((p.telnet.comPortReplies() & kAll) != kAll) {
        if (p.telnet.comPortRefused())
            return {UART_PORT_ERROR,
                    p.path +
                        ": the gateway does not offer port control (RFC 2217); map it as tcp:// instead"};
        const Event e = WaitFor(p, p.fd, POLLIN, deadline);
        if (e == Event::Cancelled)
            return {UART_CANCELLED, p.path + ": cancelled while setting the line"};
        if (e != Event::Ready)
            return {UART_PORT_ERROR, p.path + ": the gateway did not confirm the line settings within " +
                                         std::to_string(UART_CONNECT_TIMEOUT_MS / 1000) + " s"};
        const ssize_t n = ReadNet(p, junk, sizeof junk); // data before the line is set is no reply
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return {UART_PORT_ERROR,
                    p.path + ": busy (the gateway closed the connection at once: it serves another client)"};
    }
    if (p.telnet.replyBaud() != 0 && p.telnet.replyBaud() != s.baud)
        return {UART_BAUD_ERROR, p.path + ": the gateway does not take " + std::to_string(s.baud) +
                                     " bit/s (it set " + std::to_string(p.telnet.replyBaud()) + ")"};
    return {};
}

ssize_t ReadNet(Port& p, std::uint8_t* buffer, std::size_t size) {
    const ssize_t n = ::recv(p.fd, buffer, size, 0);
    // A gateway that sends each byte as it comes from its line holds the next ones back until the
    // first is acknowledged (Nagle); the kernel's delayed acknowledgement would add up to 40 ms to a
    // reply. Acknowledge at once (the kernel forgets this setting, so it is renewed per read).
    const int one = 1;
    setsockopt(p.fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR && errno != EWOULDBLOCK)) {
        p.dropped = true;
        return n;
    }
    if (n < 0 || p.kind != LineKind::Rfc2217)
        return n;
    // Decoding only ever shortens: in place.
    const std::size_t data = p.telnet.decode(buffer, static_cast<std::size_t>(n), buffer);
    if (p.telnet.negotiationCount() > 0)
        Answer(p);
    if (data == 0) {
        errno = EINTR; // only commands came: read again
        return -1;
    }
    return static_cast<ssize_t>(data);
}

ssize_t WriteNet(Port& p, const std::uint8_t* data, std::size_t count) {
    const ssize_t n = ::send(p.fd, data, count, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN))
        p.dropped = true;
    return n;
}

void DiscardNet(Port& p) {
    std::uint8_t junk[256];
    for (int i = 0; i < 1024; ++i) { // at most 256 KiB: a flood is not waited out here
        const ssize_t n = ReadNet(p, junk, sizeof junk);
        if (n == 0 || (n < 0 && errno != EINTR))
            return;
    }
}

} // namespace uart::detail
