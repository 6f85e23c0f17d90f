// A call blocked on a silent line is woken at once by CloseLink or UartCancel from another thread.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "pty_pair.hpp"
#include <tev/uart.hpp>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
constexpr std::uint8_t kPort = 80;

std::size_t NeverComplete(const std::uint8_t*, std::size_t, void*) {
    return 0;
}

struct BlockedCall {
    const char* name;
    std::function<std::uint16_t()> call;
};

const BlockedCall kBlocked[] = {
    {"ReceiveBytes",
     [] {
         std::uint8_t buf[16];
         return ReceiveBytes(kPort, buf, 10000, sizeof buf, nullptr);
     }},
    {"ReceiveFrame",
     [] {
         std::uint8_t buf[16];
         return ReceiveFrame(kPort, buf, 10000, sizeof buf, nullptr, NeverComplete, nullptr);
     }},
    {"ExchangeCommand",
     [] {
         char reply[UART_REPLY_MAX];
         return ExchangeCommand(kPort, "$012", reply, 65535, 0, nullptr);
     }},
};

// Runs the call on its own thread, then wakes it with `wake`; the call's status, and how long it
// went on after the wake.
std::pair<std::uint16_t, long> WokenBy(const BlockedCall& blocked, const std::function<void()>& wake) {
    auto result = std::async(std::launch::async, blocked.call);
    std::this_thread::sleep_for(milliseconds(100)); // the call is waiting on the line by now
    const auto start = Clock::now();
    wake();
    const std::uint16_t status = result.get();
    return {status,
            static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - start).count())};
}

TEST(Cancel, CloseLinkWakesABlockedCall) {
    PtyPair pty(kPort);
    for (const BlockedCall& blocked : kBlocked) {
        ASSERT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_OK) << uart::OpenError(kPort);
        const auto [status, took] = WokenBy(blocked, [] { CloseLink(kPort); });
        EXPECT_EQ(status, UART_CANCELLED) << blocked.name;
        EXPECT_LT(took, 200) << blocked.name;
        std::uint8_t b = 0;
        EXPECT_EQ(SendBytes(kPort, &b, 1), UART_NOT_OPEN) << blocked.name;
    }
}

TEST(Cancel, UartCancelWakesABlockedCallAndKeepsThePortOpen) {
    PtyPair pty(kPort);
    ASSERT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_OK) << uart::OpenError(kPort);
    for (const BlockedCall& blocked : kBlocked) {
        const auto [status, took] = WokenBy(blocked, [] { UartCancel(kPort); });
        EXPECT_EQ(status, UART_CANCELLED) << blocked.name;
        EXPECT_LT(took, 200) << blocked.name;
    }
    // A cancel ends the calls under way, not the ones that follow it.
    UartCancel(kPort);
    const std::uint8_t request = 0x10;
    EXPECT_EQ(SendBytes(kPort, &request, 1), UART_OK);
    EXPECT_EQ(pty.read(1), std::vector<std::uint8_t>{0x10});
    pty.write(std::vector<std::uint8_t>{0xE5});
    std::uint8_t buf[4] = {};
    EXPECT_EQ(ReceiveBytes(kPort, buf, 1000, sizeof buf, nullptr), UART_OK);
    EXPECT_EQ(buf[0], 0xE5);
    CloseLink(kPort);
}

} // namespace
