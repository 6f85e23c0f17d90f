// The library over a real pseudo-terminal: the master side plays the device.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "pty_pair.hpp"
#include <tev/uart.hpp>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint8_t kPort = 41;

long MsSince(Clock::time_point t) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

// A frame is complete once it holds `context` bytes.
std::size_t FixedLength(const std::uint8_t*, std::size_t length, void* context) {
    const auto want = *static_cast<std::size_t*>(context);
    return length >= want ? want : 0;
}

class Link : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(OpenLink(kPort, 9600, 8, UART_PARITY_NONE, 0), UART_OK) << uart::OpenError(kPort);
    }
    void TearDown() override { CloseLink(kPort); }
    PtyPair m_pty{kPort};
};

TEST_F(Link, BinaryRoundTrip) {
    std::vector<std::uint8_t> all(256);
    for (unsigned i = 0; i < all.size(); ++i)
        all[i] = static_cast<std::uint8_t>(i); // every byte value, CR, LF, XON and XOFF among them
    ASSERT_EQ(SendBytes(kPort, all.data(), static_cast<std::uint16_t>(all.size())), UART_OK);
    EXPECT_EQ(m_pty.read(all.size()), all);

    m_pty.write(all);
    std::vector<std::uint8_t> got(300, 0);
    std::uint16_t count = 0;
    EXPECT_EQ(ReceiveBytes(kPort, got.data(), 1000, 300, &count), UART_OK);
    got.resize(count);
    EXPECT_EQ(got, all);
}

TEST_F(Link, EveryRateAndParityIsAccepted) {
    const struct {
        std::uint32_t baud;
        speed_t code;
    } rates[] = {{300, B300},   {600, B600},     {1200, B1200},   {2400, B2400},   {4800, B4800},
                 {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
    for (const auto& r : rates) {
        for (std::uint8_t parity : {UART_PARITY_NONE, UART_PARITY_EVEN, UART_PARITY_ODD, UART_PARITY_NONE}) {
            EXPECT_EQ(OpenLink(kPort, r.baud, 8, parity, 0), UART_OK) << r.baud << " parity " << int(parity);
            EXPECT_EQ(m_pty.rate(), r.code) << r.baud;
        }
    }
}

TEST_F(Link, BadSettingsAreRefusedWithAReason) {
    EXPECT_EQ(OpenLink(kPort, 12345, 8, 0, 0), UART_BAUD_ERROR);
    EXPECT_NE(uart::OpenError(kPort), "");
    EXPECT_EQ(OpenLink(kPort, 9600, 7, 0, 0), UART_PARITY_ERROR);
    EXPECT_EQ(OpenLink(kPort, 9600, 8, 3, 0), UART_PARITY_ERROR);
    EXPECT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_OK);
    EXPECT_EQ(uart::OpenError(kPort), "");
}

TEST_F(Link, ReceiveEndsAtOnceOnACompleteFrame) {
    std::size_t length = 8;
    m_pty.write(std::vector<std::uint8_t>{1, 3, 2, 0, 5, 0xB8, 0x44, 0x55});
    std::uint8_t buf[64] = {};
    std::uint16_t count = 0;
    const auto start = Clock::now();
    EXPECT_EQ(ReceiveFrame(kPort, buf, 2000, sizeof buf, &count, FixedLength, &length), UART_OK);
    EXPECT_EQ(count, 8);
    EXPECT_LT(MsSince(start), 500); // far below the timeout and below the silence gap
}

TEST_F(Link, FrameRuleDropsBytesAfterTheFrame) {
    std::size_t length = 3;
    m_pty.write(std::vector<std::uint8_t>{0xE5, 0xE5, 0xE5, 0x99, 0x98});
    std::uint8_t buf[16] = {};
    std::uint16_t count = 0;
    EXPECT_EQ(ReceiveFrame(kPort, buf, 1000, sizeof buf, &count, FixedLength, &length), UART_OK);
    EXPECT_EQ(count, 3);
}

TEST_F(Link, NoReplyLastsTheTimeoutAndLeavesTheBufferAlone) {
    std::uint8_t buf[8] = {0x00, 0x77};
    std::uint16_t count = 99;
    const auto start = Clock::now();
    EXPECT_EQ(ReceiveBytes(kPort, buf, 200, sizeof buf, &count), UART_TIMEOUT);
    const long took = MsSince(start);
    EXPECT_GE(took, 199);
    EXPECT_LT(took, 700); // generous: the machine may be busy
    EXPECT_EQ(count, 0);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[1], 0x77);

    const auto start0 = Clock::now();
    EXPECT_EQ(ReceiveBytes(kPort, buf, 0, sizeof buf, &count), UART_TIMEOUT);
    EXPECT_LT(MsSince(start0), 300);
}

TEST_F(Link, PartialFrameTimesOutWithWhatArrived) {
    std::size_t length = 8;
    m_pty.write(std::vector<std::uint8_t>{1, 3, 2});
    std::uint8_t buf[16] = {};
    std::uint16_t count = 0;
    EXPECT_EQ(ReceiveFrame(kPort, buf, 150, sizeof buf, &count, FixedLength, &length), UART_TIMEOUT);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(buf[0], 1);
}

TEST_F(Link, ChunksOfAUsbAdapterAreNotCut) {
    const std::vector<std::uint8_t> part{0x01, 0x03, 0x0A, 0x00, 0x01};
    std::thread device([&] {
        for (int i = 0; i < 4; ++i) {
            m_pty.write(part);
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
    });
    std::uint8_t buf[64] = {};
    std::uint16_t count = 0;
    EXPECT_EQ(ReceiveBytes(kPort, buf, 2000, sizeof buf, &count), UART_OK);
    device.join();
    EXPECT_EQ(count, 20);
}

TEST_F(Link, ReceiveStopsAtMaximumCount) {
    m_pty.write(std::vector<std::uint8_t>(40, 0x55));
    std::uint8_t buf[64] = {};
    std::uint16_t count = 0;
    EXPECT_EQ(ReceiveBytes(kPort, buf, 1000, 30, &count), UART_OK);
    EXPECT_EQ(count, 30);
    EXPECT_EQ(buf[30], 0);
}

TEST_F(Link, StaleInputIsDiscardedBeforeASend) {
    m_pty.write(std::vector<std::uint8_t>{0xDE, 0xAD});
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::uint8_t request[] = {0x01};
    ASSERT_EQ(SendBytes(kPort, request, 1), UART_OK);
    m_pty.write(std::vector<std::uint8_t>{0xE5});
    std::uint8_t buf[8] = {};
    std::uint16_t count = 0;
    EXPECT_EQ(ReceiveBytes(kPort, buf, 500, sizeof buf, &count), UART_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(buf[0], 0xE5);
}

struct AsciiCase {
    const char* name;
    std::uint16_t checksum;
    const char* sent;   // what the device must see
    std::string answer; // what it answers
    std::uint16_t status;
    const char* text;
};

const std::string kLongest(UART_REPLY_MAX - 1, '7');

class Ascii : public Link, public ::testing::WithParamInterface<AsciiCase> {};

TEST_P(Ascii, Exchange) {
    const AsciiCase& c = GetParam();
    std::thread device([&] {
        const std::string sent = c.sent;
        const auto got = m_pty.read(sent.size());
        EXPECT_EQ(std::string(got.begin(), got.end()), sent);
        if (!c.answer.empty())
            m_pty.write(c.answer);
    });
    char reply[UART_REPLY_MAX];
    std::uint16_t length = 0;
    const auto status = ExchangeCommand(kPort, "$012", reply, 300, c.checksum, &length);
    device.join();
    EXPECT_EQ(status, c.status);
    EXPECT_STREQ(reply, c.text);
    EXPECT_EQ(length, std::string(c.text).size());
}

INSTANTIATE_TEST_SUITE_P(
    Uart, Ascii,
    ::testing::Values(
        AsciiCase{"plain", 0, "$012\r", "!01400600\r", UART_OK, "!01400600"},
        AsciiCase{"checksum", 1, "$012B7\r", "!01400600AC\r", UART_OK, "!01400600AC"},
        AsciiCase{"any flag value means on", 0x8000, "$012B7\r", "!01400600AC\r", UART_OK, "!01400600AC"},
        AsciiCase{"bad checksum", 1, "$012B7\r", "!01400600AD\r", UART_CHECKSUM_ERROR, ""},
        AsciiCase{"no reply", 0, "$012\r", "", UART_TIMEOUT, ""},
        AsciiCase{"no CR", 0, "$012\r", "!01", UART_TIMEOUT, ""},
        AsciiCase{"too long", 0, "$012\r", std::string(200, '7') + "\r", UART_REPLY_TOO_LONG, ""},
        AsciiCase{"longest that fits", 0, "$012\r", std::string(UART_REPLY_MAX - 1, '7') + "\r", UART_OK,
                  kLongest.c_str()},
        AsciiCase{"one more is too long", 0, "$012\r", std::string(UART_REPLY_MAX, '7') + "\r",
                  UART_REPLY_TOO_LONG, ""},
        AsciiCase{"checksum characters missing", 1, "$012B7\r", "!\r", UART_CHECKSUM_ERROR, ""}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return n;
    });

TEST_F(Link, SendCommandWritesTheFramedText) {
    EXPECT_EQ(SendCommand(kPort, "~**", 0), UART_OK);
    const auto got = m_pty.read(4);
    EXPECT_EQ(std::string(got.begin(), got.end()), "~**\r");
}

TEST(LinkClosed, CallsOnAClosedPortSayNotOpen) {
    std::uint8_t buf[4] = {};
    char reply[UART_REPLY_MAX] = "junk";
    EXPECT_EQ(SendBytes(42, buf, 1), UART_NOT_OPEN);
    EXPECT_EQ(ReceiveBytes(42, buf, 10, 4, nullptr), UART_NOT_OPEN);
    EXPECT_EQ(ExchangeCommand(42, "$012", reply, 10, 0, nullptr), UART_NOT_OPEN);
    EXPECT_STREQ(reply, "");
    EXPECT_EQ(SendCommand(42, "$012", 0), UART_NOT_OPEN);
    EXPECT_EQ(CloseLink(42), UART_OK);
}

TEST(LinkClosed, MissingDeviceGivesAReason) {
    setenv("TEV_COM43", "/dev/tev-no-such-device", 1);
    EXPECT_EQ(OpenLink(43, 9600, 8, 0, 0), UART_PORT_ERROR);
    const std::string why = uart::OpenError(43);
    EXPECT_NE(why.find("/dev/tev-no-such-device"), std::string::npos) << why;
    EXPECT_NE(why.find("No such file"), std::string::npos) << why;
    EXPECT_EQ(OpenLink(0, 9600, 8, 0, 0), UART_PORT_ERROR);
    unsetenv("TEV_COM43");
}

TEST(LinkClosed, ANonTerminalIsRefused) {
    setenv("TEV_COM44", "/dev/null", 1);
    EXPECT_EQ(OpenLink(44, 9600, 8, 0, 0), UART_PORT_ERROR);
    EXPECT_NE(uart::OpenError(44).find("not a serial device"), std::string::npos);
    unsetenv("TEV_COM44");
}

TEST(LinkReopen, OpeningAnOpenPortReconfiguresIt) {
    PtyPair pty(45);
    ASSERT_EQ(OpenLink(45, 2400, 8, 1, 0), UART_OK);
    EXPECT_EQ(pty.rate(), B2400);
    ASSERT_EQ(OpenLink(45, 19200, 8, 0, 0), UART_OK);
    EXPECT_EQ(pty.rate(), B19200);
    const std::uint8_t b = 0x42;
    EXPECT_EQ(SendBytes(45, &b, 1), UART_OK);
    EXPECT_EQ(pty.read(1), std::vector<std::uint8_t>{0x42});
    CloseLink(45);
}

} // namespace
