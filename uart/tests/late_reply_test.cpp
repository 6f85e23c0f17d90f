// A reply always belongs to its request: bytes of an earlier request that arrive late are never
// taken as the answer to the next one.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include "pty_pair.hpp"
#include <tev/uart.hpp>

namespace {

using std::chrono::milliseconds;
constexpr std::uint8_t kPort = 75;

class LateReply : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(OpenLink(kPort, 9600, 8, UART_PARITY_NONE, 0), UART_OK) << uart::OpenError(kPort);
    }
    void TearDown() override { CloseLink(kPort); }
    PtyPair m_pty{kPort};
};

struct SecondRequest {
    const char* name;
    std::optional<std::string> answer; // what the device answers the second request, at once
    std::uint16_t status;
    const char* text;
};

class LateExchange : public LateReply, public ::testing::WithParamInterface<SecondRequest> {};

TEST_P(LateExchange, TheLateReplyIsNotTheNextAnswer) {
    const SecondRequest& c = GetParam();
    std::thread device([&] {
        m_pty.read(4);
        std::this_thread::sleep_for(milliseconds(150)); // 50 ms after the caller gave up
        m_pty.write(std::string("!06+012.50\r"));
        m_pty.read(4, 1000);
        if (c.answer)
            m_pty.write(*c.answer);
    });
    char reply[UART_REPLY_MAX];
    EXPECT_EQ(ExchangeCommand(kPort, "#06", reply, 100, 0, nullptr), UART_TIMEOUT);
    EXPECT_EQ(ExchangeCommand(kPort, "#07", reply, 100, 0, nullptr), c.status);
    EXPECT_STREQ(reply, c.text);
    device.join();
}

INSTANTIATE_TEST_SUITE_P(Uart, LateExchange,
                         ::testing::Values(SecondRequest{"silent", std::nullopt, UART_TIMEOUT, ""},
                                           SecondRequest{"answers", "!07+001.00\r", UART_OK, "!07+001.00"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LateReply, ALongReplyStillOnTheLineIsDroppedWhole) {
    // An all-channels reading of some 60 characters is on the wire long after a 5 ms timeout.
    std::thread device([&] {
        m_pty.read(4);
        for (const char c : std::string(">+01.371+02.197+02.999+03.790+04.576+05.359+06.142+06.926\r")) {
            m_pty.write(std::string(1, c));
            std::this_thread::sleep_for(milliseconds(1));
        }
    });
    char reply[UART_REPLY_MAX];
    EXPECT_EQ(ExchangeCommand(kPort, "#06", reply, 5, 0, nullptr), UART_TIMEOUT);
    EXPECT_EQ(ExchangeCommand(kPort, "#7E", reply, 100, 0, nullptr), UART_TIMEOUT);
    EXPECT_STREQ(reply, "");
    device.join();
}

std::size_t ThreeBytes(const std::uint8_t*, std::size_t length, void*) {
    return length >= 3 ? 3 : 0;
}

TEST_F(LateReply, BytesAfterAFrameAreNotTheNextAnswer) {
    // The frame arrives with the first byte of a trailer whose rest follows a little later.
    m_pty.write(std::vector<std::uint8_t>{0xE5, 0xE5, 0xE5, 0x99});
    std::thread device([&] {
        std::this_thread::sleep_for(milliseconds(20));
        m_pty.write(std::vector<std::uint8_t>{0x98});
        m_pty.read(1, 1000);
        m_pty.write(std::vector<std::uint8_t>{0x01});
    });
    std::uint8_t buf[8] = {};
    std::uint16_t count = 0;
    std::this_thread::sleep_for(milliseconds(5));
    EXPECT_EQ(ReceiveFrame(kPort, buf, 1000, sizeof buf, &count, ThreeBytes, nullptr), UART_OK);
    const std::uint8_t request = 0x10;
    EXPECT_EQ(SendBytes(kPort, &request, 1), UART_OK);
    EXPECT_EQ(ReceiveBytes(kPort, buf, 500, sizeof buf, &count), UART_OK);
    device.join();
    EXPECT_EQ(count, 1);
    EXPECT_EQ(buf[0], 0x01);
}

TEST_F(LateReply, ASettledPortSendsAtOnceAndHandsTheLateReplyToTheCaller) {
    // The guard drops a reply that comes after the timeout; UartSettle leaves judging it to the
    // caller, whose next receive then holds the late bytes.
    for (const bool settle : {false, true}) {
        std::thread device([&] {
            m_pty.read(1);
            std::this_thread::sleep_for(milliseconds(150)); // 50 ms after the caller gave up
            m_pty.write(std::vector<std::uint8_t>{0xA5, 0x5A});
            m_pty.read(1, 1000);
        });
        const std::uint8_t first = 0x01;
        const std::uint8_t second = 0x02;
        std::uint8_t buf[8] = {};
        std::uint16_t count = 0;
        ASSERT_EQ(SendBytes(kPort, &first, 1), UART_OK);
        EXPECT_EQ(ReceiveBytes(kPort, buf, 100, sizeof buf, &count), UART_TIMEOUT);
        if (settle)
            EXPECT_EQ(UartSettle(kPort), UART_OK);
        ASSERT_EQ(SendBytes(kPort, &second, 1), UART_OK);
        const std::uint16_t status = ReceiveBytes(kPort, buf, 300, sizeof buf, &count);
        device.join();
        EXPECT_EQ(status, settle ? UART_OK : UART_TIMEOUT) << "settled " << settle;
        EXPECT_EQ(count, settle ? 2 : 0) << "settled " << settle;
    }
    EXPECT_EQ(UartSettle(kPort + 1), UART_NOT_OPEN);
}

} // namespace
