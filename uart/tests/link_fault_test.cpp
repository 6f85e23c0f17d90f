// The library over a real pseudo-terminal when things go wrong: hang-up, signals, busy ports,
// slow chunks, stale line settings, leaked descriptors.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <memory>
#include <pthread.h>
#include <thread>
#include <vector>

#include "pty_pair.hpp"
#include <tev/uart.hpp>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

long MsSince(Clock::time_point t) {
    return static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - t).count());
}

// A frame is complete once it holds `context` bytes.
std::size_t FixedLength(const std::uint8_t*, std::size_t length, void* context) {
    const auto want = *static_cast<std::size_t*>(context);
    return length >= want ? want : 0;
}

// A broken rule that always claims five bytes more than it was given.
std::size_t ClaimsTooMuch(const std::uint8_t*, std::size_t length, void*) {
    return length + 5;
}

std::size_t OpenDescriptors() {
    std::size_t n = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++n;
        closedir(dir);
    }
    return n;
}

class Fault : public ::testing::Test {
  protected:
    static constexpr std::uint8_t kPort = 51;
    void SetUp() override {
        ASSERT_EQ(OpenLink(kPort, 9600, 8, UART_PARITY_EVEN, 0), UART_OK) << uart::OpenError(kPort);
    }
    void TearDown() override { CloseLink(kPort); }
    PtyPair m_pty{kPort};
};

TEST_F(Fault, HangUpEndsCallsAtOnce) {
    m_pty.write(std::vector<std::uint8_t>{0xE5});
    std::this_thread::sleep_for(milliseconds(20));
    m_pty.hangUp();
    std::uint8_t buf[8] = {};
    std::uint16_t count = 0;
    auto start = Clock::now();
    ReceiveBytes(kPort, buf, 3000, sizeof buf, &count);
    EXPECT_LT(MsSince(start), 1000);
    start = Clock::now();
    EXPECT_EQ(ReceiveBytes(kPort, buf, 3000, sizeof buf, &count), UART_TIMEOUT);
    EXPECT_EQ(count, 0);
    EXPECT_LT(MsSince(start), 1000) << "a hung-up line has nothing more to give";
    const std::uint8_t request[] = {0x10, 0x40, 0xFD, 0x3D, 0x16};
    start = Clock::now();
    EXPECT_EQ(SendBytes(kPort, request, sizeof request), UART_WRITE_ERROR);
    char reply[UART_REPLY_MAX];
    EXPECT_NE(ExchangeCommand(kPort, "$012", reply, 3000, 0, nullptr), UART_OK);
    EXPECT_LT(MsSince(start), 1000);
    // Reconfiguring the dead line fails and closes it, so a later open starts afresh.
    EXPECT_NE(OpenLink(kPort, 9600, 8, UART_PARITY_EVEN, 0), UART_OK);
    EXPECT_NE(uart::OpenError(kPort), "");
    EXPECT_EQ(SendBytes(kPort, request, sizeof request), UART_NOT_OPEN);
}

void OnSignal(int) {}

TEST_F(Fault, SignalsNeitherCutNorShortenAReceive) {
    struct sigaction action {};
    action.sa_handler = OnSignal;         // no SA_RESTART: poll and read see EINTR
    sigaction(SIGUSR1, &action, nullptr); // left in place: a late signal must not end the tests
    const pthread_t receiver = pthread_self();
    std::atomic<bool> done{false};
    std::thread noise([&] {
        while (!done) {
            pthread_kill(receiver, SIGUSR1);
            std::this_thread::sleep_for(milliseconds(7));
        }
    });
    std::uint8_t buf[32] = {};
    std::uint16_t count = 0;
    auto start = Clock::now();
    EXPECT_EQ(ReceiveBytes(kPort, buf, 250, sizeof buf, &count), UART_TIMEOUT);
    EXPECT_GE(MsSince(start), 249);

    std::thread device([&] {
        for (int i = 0; i < 4; ++i) {
            std::this_thread::sleep_for(milliseconds(15));
            m_pty.write(std::vector<std::uint8_t>(5, static_cast<std::uint8_t>(i + 1)));
        }
    });
    std::size_t length = 20;
    EXPECT_EQ(ReceiveFrame(kPort, buf, 2000, sizeof buf, &count, FixedLength, &length), UART_OK);
    device.join();
    done = true;
    noise.join();
    EXPECT_EQ(count, 20);
    EXPECT_EQ(buf[19], 4);
}

TEST_F(Fault, RuleCompletesAFrameDeliveredInSlowChunks) {
    std::thread device([&] {
        for (int i = 0; i < 3; ++i) {
            m_pty.write(std::vector<std::uint8_t>(4, 0x11));
            std::this_thread::sleep_for(milliseconds(60)); // far beyond the silence gap
        }
    });
    std::uint8_t buf[32] = {};
    std::uint16_t count = 0;
    std::size_t length = 12;
    const auto start = Clock::now();
    EXPECT_EQ(ReceiveFrame(kPort, buf, 2000, sizeof buf, &count, FixedLength, &length), UART_OK);
    EXPECT_LT(MsSince(start), 1000);
    device.join();
    EXPECT_EQ(count, 12);
}

TEST_F(Fault, ARuleClaimingMoreThanArrivedDoesNotEndTheReceive) {
    m_pty.write(std::vector<std::uint8_t>{1, 3, 2});
    std::uint8_t buf[16] = {};
    std::uint16_t count = 0;
    const auto start = Clock::now();
    EXPECT_EQ(ReceiveFrame(kPort, buf, 150, sizeof buf, &count, ClaimsTooMuch, nullptr), UART_TIMEOUT);
    EXPECT_GE(MsSince(start), 149);
    EXPECT_EQ(count, 3);
}

TEST_F(Fault, ABusyPortDoesNotStretchATimeout) {
    std::thread first([] {
        std::uint8_t buf[4] = {};
        ReceiveBytes(kPort, buf, 800, sizeof buf, nullptr);
    });
    std::this_thread::sleep_for(milliseconds(50));
    std::uint8_t buf[4] = {};
    auto start = Clock::now();
    EXPECT_EQ(ReceiveBytes(kPort, buf, 100, sizeof buf, nullptr), UART_TIMEOUT);
    EXPECT_LT(MsSince(start), 400);
    char reply[UART_REPLY_MAX];
    start = Clock::now();
    EXPECT_EQ(ExchangeCommand(kPort, "$012", reply, 100, 0, nullptr), UART_TIMEOUT);
    EXPECT_LT(MsSince(start), 400);
    first.join();
}

TEST_F(Fault, AsciiReplyInSlowChunksAndItsTimeout) {
    std::thread device([&] {
        m_pty.read(5);
        m_pty.write(std::string("!0140"));
        std::this_thread::sleep_for(milliseconds(60));
        m_pty.write(std::string("0600\r"));
    });
    char reply[UART_REPLY_MAX];
    EXPECT_EQ(ExchangeCommand(kPort, "$012", reply, 1000, 0, nullptr), UART_OK);
    device.join();
    EXPECT_STREQ(reply, "!01400600");

    const auto start = Clock::now();
    EXPECT_EQ(ExchangeCommand(kPort, "$012", reply, 200, 1, nullptr), UART_TIMEOUT);
    const long took = MsSince(start);
    EXPECT_GE(took, 199);
    EXPECT_LT(took, 700);
}

TEST_F(Fault, StaleLineSettingsAreCleared) {
    termios tio{};
    ASSERT_EQ(tcgetattr(m_pty.master(), &tio), 0);
    tio.c_cflag |= CMSPAR | CRTSCTS;
    tio.c_iflag |= IUCLC | IXON | ICRNL;
    tio.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(tcsetattr(m_pty.master(), TCSANOW, &tio), 0);
    ASSERT_EQ(OpenLink(kPort, 9600, 8, UART_PARITY_EVEN, 0), UART_OK);
    ASSERT_EQ(tcgetattr(m_pty.master(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & (CMSPAR | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (IUCLC | IXON | ICRNL), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
}

TEST_F(Fault, AFailedReconfigureClosesThePort) {
    EXPECT_EQ(OpenLink(kPort, 12345, 8, UART_PARITY_EVEN, 0), UART_BAUD_ERROR);
    const std::uint8_t b = 0x01;
    EXPECT_EQ(SendBytes(kPort, &b, 1), UART_NOT_OPEN) << "the old settings must not stay in use";
}

TEST(FaultDescriptors, FailedOpensLeakNothing) {
    const std::size_t before = OpenDescriptors();
    for (int i = 0; i < 20; ++i) {
        setenv("TEV_COM52", "/dev/null", 1);
        EXPECT_EQ(OpenLink(52, 9600, 8, 0, 0), UART_PORT_ERROR);
        setenv("TEV_COM52", "/dev/tev-no-such-device", 1);
        EXPECT_EQ(OpenLink(52, 9600, 8, 0, 0), UART_PORT_ERROR);
        {
            PtyPair pty(52);
            EXPECT_EQ(OpenLink(52, 9600, 8, 0, 0), UART_OK);
            EXPECT_EQ(OpenLink(52, 9600, 9, 0, 0), UART_PARITY_ERROR);
            EXPECT_EQ(OpenLink(52, 4800, 8, 2, 0), UART_OK);
        }
        CloseLink(52);
    }
    unsetenv("TEV_COM52");
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(FaultThreads, PortsUsedFromSeveralThreads) {
    constexpr int kThreads = 4;
    // The pairs are made here: setting the environment is not safe while other threads read it.
    std::vector<std::unique_ptr<PtyPair>> pairs;
    for (int t = 0; t < kThreads; ++t)
        pairs.push_back(std::make_unique<PtyPair>(static_cast<std::uint8_t>(60 + t)));
    PtyPair shared(64);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures, &pty = *pairs[static_cast<std::size_t>(t)]] {
            const auto port = static_cast<std::uint8_t>(60 + t);
            if (OpenLink(port, 115200, 8, 0, 0) != UART_OK)
                ++failures;
            for (int i = 0; i < 30; ++i) {
                const auto b = static_cast<std::uint8_t>(i);
                SendBytes(port, &b, 1);
                if (pty.read(1) != std::vector<std::uint8_t>{b})
                    ++failures;
                pty.write(std::vector<std::uint8_t>{b});
                std::uint8_t got = 0;
                if (ReceiveBytes(port, &got, 500, 1, nullptr) != UART_OK || got != b)
                    ++failures;
            }
            CloseLink(port);
        });
    }
    // Meanwhile one port is opened and closed under another thread's receives (a close ends them).
    std::atomic<bool> done{false};
    std::thread opener([&] {
        while (!done) {
            OpenLink(64, 9600, 8, 0, 0);
            CloseLink(64);
        }
    });
    for (int i = 0; i < 50; ++i) {
        std::uint8_t buf[4];
        const auto status = ReceiveBytes(64, buf, 2, sizeof buf, nullptr);
        EXPECT_TRUE(status == UART_TIMEOUT || status == UART_NOT_OPEN || status == UART_CANCELLED) << status;
    }
    done = true;
    opener.join();
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failures, 0);
    CloseLink(64);
}

} // namespace
