// The line over a real pseudo-terminal: framing, reopen, pacing and each fault.
#include "tev/sim/line.hpp"

#include "test_port.hpp"

#include <gtest/gtest.h>

#include <chrono>

namespace tev::sim {
namespace {

using test::bytesOf;
using test::TestPort;

std::shared_ptr<Device> echoUpper() {
    return makeAsciiDevice([](std::string_view text) -> std::optional<std::string> {
        if (text == "quiet")
            return std::nullopt;
        std::string reply(text);
        for (auto& c : reply)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return "!" + reply;
    });
}

class LineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_line.add(echoUpper());
        m_line.start();
    }
    Line m_line;
};

TEST_F(LineTest, AnswersEachCrTerminatedLineAndStaysSilentWhenAsked) {
    TestPort port(m_line.path(), B115200);
    ASSERT_TRUE(port.ok());
    EXPECT_EQ(port.exchange(bytesOf("$01M\r")), bytesOf("!$01M\r"));
    EXPECT_TRUE(port.exchange(bytesOf("quiet\r"), 400).empty());
    // Two commands in one write get two replies, in order.
    EXPECT_EQ(port.exchange(bytesOf("a\rb\r")), bytesOf("!A\r!B\r"));
}

TEST_F(LineTest, KeepsServingAfterTheProgramClosesAndReopens) {
    for (int round = 0; round < 3; ++round) {
        TestPort port(m_line.path(), B9600);
        ASSERT_TRUE(port.ok());
        EXPECT_EQ(port.exchange(bytesOf("x\r")), bytesOf("!X\r")) << "round " << round;
    }
}

TEST_F(LineTest, RepliesTakeAtLeastTheirWireTime) {
    TestPort port(m_line.path(), B2400);
    ASSERT_TRUE(port.ok());
    const auto start = std::chrono::steady_clock::now();
    const auto reply = port.exchange(bytesOf("0123456789\r"), 3000, 100);
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
    EXPECT_TRUE(port.exchange(bytesOf("a\r"), 400).empty());
    EXPECT_EQ(port.exchange(bytesOf("a\r")), bytesOf("!A\r"));

    m_line.options().garbageReplies = 1;
    auto expected = std::vector<std::uint8_t>(std::begin(kGarbage), std::end(kGarbage));
    expected.insert(expected.end(), {'!', 'A', '\r'});
    EXPECT_EQ(port.exchange(bytesOf("a\r")), expected);

    m_line.options().truncateReplies = 1;
    EXPECT_EQ(port.exchange(bytesOf("abc\r")), bytesOf("!A"));

    m_line.options().corruptReplies = 1;
    const auto corrupted = port.exchange(bytesOf("ab\r"));
    ASSERT_EQ(corrupted.size(), 4u);
    EXPECT_NE(corrupted[2], 'B');
    EXPECT_EQ(port.exchange(bytesOf("ab\r")), bytesOf("!AB\r"));

    m_line.options().dropReplies = -1;
    EXPECT_TRUE(port.exchange(bytesOf("a\r"), 300).empty());
    EXPECT_TRUE(port.exchange(bytesOf("a\r"), 300).empty());
    m_line.options().dropReplies = 0;
    EXPECT_EQ(port.exchange(bytesOf("a\r")), bytesOf("!A\r"));
}

TEST(LineRealDevice, ReportsADeviceThatCannotBeOpened) {
    Line line("/nonexistent/tty");
    EXPECT_THROW(line.start(), std::system_error);
}

} // namespace
} // namespace tev::sim
