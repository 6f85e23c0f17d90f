// The line over a real pseudo-terminal: framing, reopen, pacing and each fault.
#include "tev/sim/line.hpp"

#include "test_port.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace tev::sim {
namespace {

using test::BytesOf;
using test::TestPort;

std::shared_ptr<Device> EchoUpper() {
    return MakeAsciiDevice([](std::string_view text) -> std::optional<std::string> {
        if (text == "quiet")
            return std::nullopt;
        std::string reply(text);
        for (auto& c : reply)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return "!" + reply;
    });
}

// Sends `request` and collects a reply of the size of `expected`.
std::vector<std::uint8_t> Ask(TestPort& port, const std::string& request, const std::string& expected) {
    return port.exchange(BytesOf(request), 3000, 300, expected.size());
}

class LineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_line.add(EchoUpper());
        m_line.start();
    }
    Line m_line;
};

TEST_F(LineTest, AnswersEachCrTerminatedLineAndStaysSilentWhenAsked) {
    TestPort port(m_line.path(), B115200);
    ASSERT_TRUE(port.ok());
    EXPECT_EQ(Ask(port, "$01M\r", "!$01M\r"), BytesOf("!$01M\r"));
    EXPECT_TRUE(port.exchange(BytesOf("quiet\r"), 400).empty());
    // Two commands in one write get two replies, in order.
    EXPECT_EQ(Ask(port, "a\rb\r", "!A\r!B\r"), BytesOf("!A\r!B\r"));
}

TEST_F(LineTest, KeepsServingAfterTheProgramClosesAndReopens) {
    for (int round = 0; round < 3; ++round) {
        TestPort port(m_line.path(), B9600);
        ASSERT_TRUE(port.ok());
        EXPECT_EQ(Ask(port, "x\r", "!X\r"), BytesOf("!X\r")) << "round " << round;
    }
}

TEST_F(LineTest, RepliesTakeAtLeastTheirWireTime) {
    TestPort port(m_line.path(), B2400);
    ASSERT_TRUE(port.ok());
    const auto start = std::chrono::steady_clock::now();
    const auto reply = port.exchange(BytesOf("0123456789\r"), 3000, 300, 12);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(reply.size(), 12u);
    // 11 request bytes + 12 reply bytes at 10 bits each and 2400 bit/s: about 96 ms. Only the lower
    // bound is checked; a loaded machine may take longer.
    EXPECT_GE(elapsed, std::chrono::milliseconds(90));
}

TEST_F(LineTest, FaultsApplyToTheNextRepliesOnly) {
    TestPort port(m_line.path(), B115200);
    ASSERT_TRUE(port.ok());
    m_line.options().dropReplies = 1;
    EXPECT_TRUE(port.exchange(BytesOf("a\r"), 400).empty());
    EXPECT_EQ(Ask(port, "a\r", "!A\r"), BytesOf("!A\r"));

    m_line.options().garbageReplies = 1;
    auto expected = std::vector<std::uint8_t>(std::begin(kGarbage), std::end(kGarbage));
    expected.insert(expected.end(), {'!', 'A', '\r'});
    EXPECT_EQ(port.exchange(BytesOf("a\r"), 3000, 300, expected.size()), expected);

    m_line.options().truncateReplies = 1;
    EXPECT_EQ(port.exchange(BytesOf("abc\r")), BytesOf("!A"));

    m_line.options().corruptReplies = 1;
    const auto corrupted = port.exchange(BytesOf("ab\r"), 3000, 300, 4);
    ASSERT_EQ(corrupted.size(), 4u);
    EXPECT_NE(corrupted[2], 'B');
    EXPECT_EQ(Ask(port, "ab\r", "!AB\r"), BytesOf("!AB\r"));

    m_line.options().dropReplies = -1;
    EXPECT_TRUE(port.exchange(BytesOf("a\r"), 300).empty());
    EXPECT_TRUE(port.exchange(BytesOf("a\r"), 300).empty());
    m_line.options().dropReplies = 0;
    EXPECT_EQ(Ask(port, "a\r", "!A\r"), BytesOf("!A\r"));
}

TEST_F(LineTest, LateReplyArrivesAfterItsTurnaroundAndOnlyWhenDue) {
    TestPort port(m_line.path(), B115200);
    ASSERT_TRUE(port.ok());
    m_line.options().lateReplyMs = 600;
    m_line.options().lateReplies = 1;
    EXPECT_TRUE(port.exchange(BytesOf("a\r"), 300).empty()) << "not before its turnaround";
    EXPECT_EQ(port.receive(3000, 300, 3), BytesOf("!A\r")) << "but after it";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask(port, "b\r", "!B\r"), BytesOf("!B\r"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500)) << "used up";
}

TEST_F(LineTest, EveryNthFaultHitsEveryNthReply) {
    TestPort port(m_line.path(), B115200);
    ASSERT_TRUE(port.ok());
    // Replies are counted from the line's start; this is the first one.
    m_line.options().dropReplies = -3;
    std::vector<int> dropped;
    for (int i = 1; i <= 7; ++i)
        if (port.exchange(BytesOf("a\r"), 800, 100, 3).empty())
            dropped.push_back(i);
    EXPECT_EQ(dropped, (std::vector<int>{3, 6}));
    EXPECT_EQ(m_line.options().dropReplies, -3) << "an every-n-th counter is never used up";
}

TEST_F(LineTest, DropsAnOverlongLineWholeAndServesTheNextOne) {
    TestPort port(m_line.path(), B115200);
    ASSERT_TRUE(port.ok());
    // Longer than a module's line, and longer than the line's whole buffer: no piece of either may
    // pass for a command of its own.
    for (const std::size_t length : {300u, 3000u}) {
        const std::string overlong = std::string(length, 'x') + "$01M\r";
        ASSERT_TRUE(port.send(BytesOf(overlong))) << length;
        EXPECT_TRUE(port.receive(500, 300).empty()) << length;
        EXPECT_EQ(Ask(port, "a\r", "!A\r"), BytesOf("!A\r")) << length;
    }
}

TEST_F(LineTest, StopEndsAWaitingOrPacedReplyAtOnce) {
    auto longReply = MakeAsciiDevice([](std::string_view) { return std::string(200, 'y'); });
    struct Case {
        const char* what;
        speed_t speed;
        int delayMs;
    };
    // A 5 s reply delay; a 201-byte reply at 300 bit/s takes 6.7 s on the wire.
    for (const Case c : {Case{"reply delay", B115200, 5000}, Case{"paced reply", B300, 0}}) {
        Line line;
        line.add(longReply);
        line.options().replyDelayMs = c.delayMs;
        line.start();
        TestPort port(line.path(), c.speed);
        ASSERT_TRUE(port.ok());
        ASSERT_TRUE(port.send(BytesOf("a\r")));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (line.options().framesHeard == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(line.options().framesHeard, 1u) << c.what;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto start = std::chrono::steady_clock::now();
        line.stop();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.what;
    }
}

TEST(LineRealDevice, ReportsADeviceThatCannotBeOpened) {
    Line line("/nonexistent/tty");
    EXPECT_THROW(line.start(), std::system_error);
}

} // namespace
} // namespace tev::sim
