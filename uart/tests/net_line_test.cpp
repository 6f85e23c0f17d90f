// Network lines against a small gateway of the test's own on loopback: faults a real gateway
// rarely shows on demand.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "telnet.hpp"
#include <tev/uart.hpp>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kPort = 140;

int LoopbackListener(int backlog, std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd, backlog);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

// Reads what arrives until `count` bytes are there or a second has passed.
Bytes ReadSome(int fd, std::size_t count) {
    Bytes out;
    const auto deadline = Clock::now() + std::chrono::seconds(1);
    while (out.size() < count && Clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 20) <= 0)
            continue;
        std::uint8_t buf[256];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        out.insert(out.end(), buf, buf + n);
    }
    return out;
}

void SendBytesTo(int fd, const Bytes& bytes) {
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

// Accepts connections one after the other and hands each to `serve`, until destroyed.
class TestGateway {
  public:
    explicit TestGateway(std::function<void(int)> serve) : m_listen(LoopbackListener(4, m_port)) {
        m_thread = std::thread([this, serve = std::move(serve)] {
            while (!m_stop) {
                pollfd pfd{m_listen, POLLIN, 0};
                if (::poll(&pfd, 1, 20) <= 0)
                    continue;
                const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd < 0)
                    continue;
                serve(fd);
                ::close(fd);
            }
        });
        setenv(("TEV_COM" + std::to_string(kPort)).c_str(),
               ("tcp://127.0.0.1:" + std::to_string(m_port)).c_str(), 1);
    }
    ~TestGateway() {
        CloseLink(kPort);
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
    }
    TestGateway(const TestGateway&) = delete;
    TestGateway& operator=(const TestGateway&) = delete;
    void useRfc2217() const {
        setenv(("TEV_COM" + std::to_string(kPort)).c_str(),
               ("rfc2217://127.0.0.1:" + std::to_string(m_port)).c_str(), 1);
    }

  private:
    std::uint16_t m_port = 0;
    int m_listen;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

std::size_t FiveBytes(const std::uint8_t*, std::size_t length, void*) {
    return length >= 5 ? 5 : 0;
}

TEST(NetLine, RefusedConnectionSaysSo) {
    std::uint16_t port = 0;
    ::close(LoopbackListener(1, port)); // nothing listens there any more
    setenv(("TEV_COM" + std::to_string(kPort)).c_str(), ("tcp://127.0.0.1:" + std::to_string(port)).c_str(),
           1);
    EXPECT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_PORT_ERROR);
    EXPECT_NE(uart::OpenError(kPort).find("connection refused"), std::string::npos) << uart::OpenError(kPort);
}

TEST(NetLine, SilentGatewayTimesOutAndResetMidReplyFailsTheCallThenReconnects) {
    std::atomic<int> connections{0};
    TestGateway gateway([&](int fd) {
        const int n = ++connections;
        const Bytes request = ReadSome(fd, 1);
        if (n == 1) {
            ReadSome(fd, 100); // never answers the first request; reads the second
            SendBytesTo(fd, {0x01, 0x02});
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            const linger reset{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset); // close sends RST
            return;
        }
        SendBytesTo(fd, {1, 2, 3, 4, 5});
        ReadSome(fd, 100);
    });
    ASSERT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_OK) << uart::OpenError(kPort);
    const std::uint8_t request[] = {0x11, 0x03};
    std::uint8_t buf[16];
    std::uint16_t got = 0;
    ASSERT_EQ(SendBytes(kPort, request, sizeof request), UART_OK);
    const auto start = Clock::now();
    EXPECT_EQ(ReceiveFrame(kPort, buf, 100, sizeof buf, &got, FiveBytes, nullptr), UART_TIMEOUT);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(300));
    ASSERT_EQ(SendBytes(kPort, request, sizeof request), UART_OK);
    EXPECT_EQ(ReceiveFrame(kPort, buf, 2000, sizeof buf, &got, FiveBytes, nullptr), UART_NOT_OPEN);
    EXPECT_EQ(got, 2);
    EXPECT_NE(uart::OpenError(kPort).find("closed by the gateway"), std::string::npos);
    EXPECT_EQ(SendBytes(kPort, request, sizeof request), UART_NOT_OPEN);
    // One OpenLink connects afresh.
    ASSERT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_OK) << uart::OpenError(kPort);
    ASSERT_EQ(SendBytes(kPort, request, sizeof request), UART_OK);
    EXPECT_EQ(ReceiveFrame(kPort, buf, 1000, sizeof buf, &got, FiveBytes, nullptr), UART_OK);
    EXPECT_EQ(got, 5);
}

TEST(NetLine, ConnectThatHangsTimesOutOrIsCancelled) {
    // A listener whose queue is full takes no more connections: the connect waits.
    std::uint16_t port = 0;
    const int listener = LoopbackListener(0, port);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    std::vector<int> fillers;
    for (int i = 0; i < 2; ++i) {
        fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        ::connect(fillers.back(), reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    setenv(("TEV_COM" + std::to_string(kPort)).c_str(), ("tcp://127.0.0.1:" + std::to_string(port)).c_str(),
           1);
    auto opening = std::async(std::launch::async, [] { return OpenLink(kPort, 9600, 8, 0, 0); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto cancelledAt = Clock::now();
    CloseLink(kPort);
    EXPECT_EQ(opening.get(), UART_CANCELLED);
    EXPECT_LT(Clock::now() - cancelledAt, std::chrono::milliseconds(200));
    const auto start = Clock::now();
    EXPECT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_PORT_ERROR);
    EXPECT_NE(uart::OpenError(kPort).find("timed out"), std::string::npos) << uart::OpenError(kPort);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(UART_CONNECT_TIMEOUT_MS + 500));
    for (const int fd : fillers)
        ::close(fd);
    ::close(listener);
}

TEST(NetLine, Rfc2217EscapesDataBothWaysAndKeepsTelnetOutOfTheReply) {
    namespace telnet = uart::detail::telnet;
    std::atomic<bool> answeredUnknownOption{false};
    Bytes requestSeen;
    TestGateway gateway([&](int fd) {
        // Confirms the settings, then answers the request with 0xFF in the data and commands mixed in.
        telnet::Reader reader;
        Bytes seen = ReadSome(fd, 40);
        const std::string confirm = telnet::PortSettings(9600, 0, 0);
        Bytes reply(confirm.begin(), confirm.end());
        for (std::size_t i = 0; i + 3 < reply.size(); ++i)
            if (reply[i] == 0xFF && reply[i + 1] == 0xFA)
                reply[i + 3] += telnet::kServerOffset;
        SendBytesTo(fd, reply);
        Bytes data(64);
        Bytes request = ReadSome(fd, 3); // 0xFF 0xFF 0x03
        data.resize(reader.decode(request.data(), request.size(), data.data()));
        requestSeen = data;
        SendBytesTo(fd, {0xFF, 0xFF, 0xFF, 0xF1, 0x01, 0xFF, 0xFD, 0x63, 0xFF, 0xFA, 0x2C, 0x6B, 0x00});
        SendBytesTo(fd, {0xFF, 0xF0, 0xFF, 0xFF, 0x02, 0xFF, 0xFF});
        const Bytes answer = ReadSome(fd, 3);
        answeredUnknownOption = answer == Bytes{0xFF, telnet::kWont, 0x63};
        ReadSome(fd, 100);
    });
    gateway.useRfc2217();
    ASSERT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_OK) << uart::OpenError(kPort);
    const std::uint8_t request[] = {0xFF, 0x03};
    ASSERT_EQ(SendBytes(kPort, request, sizeof request), UART_OK);
    std::uint8_t buf[16];
    std::uint16_t got = 0;
    EXPECT_EQ(ReceiveFrame(kPort, buf, 1000, sizeof buf, &got, FiveBytes, nullptr), UART_OK);
    EXPECT_EQ(Bytes(buf, buf + got), (Bytes{0xFF, 0x01, 0xFF, 0x02, 0xFF}));
    for (int i = 0; i < 50 && !answeredUnknownOption; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(requestSeen, (Bytes{0xFF, 0x03}));
    EXPECT_TRUE(answeredUnknownOption);
}

} // namespace
