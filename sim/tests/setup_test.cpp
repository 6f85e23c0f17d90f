// The set-up file, and the default set-up driven through uart as the program drives it.
#include "tev/protocol/modbus_frame_rule.hpp"
#include "tev/protocol/modbus_reply.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/sim/setup.hpp"

#include <tev/uart.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace tev::sim {
namespace {

TEST(SetupFile, DefaultSetupDescribesFourLines) {
    const auto parsed = ParseSetup(kDefaultSetupText);
    ASSERT_TRUE(parsed) << parsed.errorLine << ": " << parsed.error;
    const auto& lines = parsed.setup->lines;
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].converters.size(), 2u);
    EXPECT_EQ(lines[0].converters[1].config.meterCount, 40);
    EXPECT_EQ(lines[1].mbusMeters.size(), 3u);
    EXPECT_EQ(lines[1].mbusMeters[2].manufacturer, 0x4024);
    ASSERT_EQ(lines[1].domesticMeters.size(), 1u);
    EXPECT_EQ(lines[1].domesticMeters[0].address[0], 0x21)
        << "printed most significant first, sent least first";
    EXPECT_TRUE(lines[2].modules);
    ASSERT_TRUE(lines[3].measuring);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(lines[static_cast<std::size_t>(i)].port, i + 1);
}

TEST(SetupFile, ReportsTheFirstBadLine) {
    struct Case {
        const char* text;
        int line;
    };
    const Case cases[] = {
        {"", 0},
        {"port = 1\n", 1},
        {"[line]\nport = x\n", 2},
        {"[line]\nport = 256\n", 2},
        {"[line]\n# comment\nconverter = address=0\n", 3},
        {"[line]\nconverter = baud=1234\n", 2},
        {"[line]\nconverter = address\n", 2},
        {"[line]\nmbus = id=123456789\n", 2},
        {"[line]\nmbus = manufacturer=XYZ\n", 2},
        {"[line]\nmbus = litres=inf\n", 2},
        {"[line]\nmbus = flow=nan\n", 2},
        {"[line]\ndomestic = m3=1e300\n", 2},
        {"[line]\ndomestic = address=123\n", 2},
        {"[line]\nmeasuring = address=1\n", 2},
        {"[line]\npacing = maybe\n", 2},
        {"[line]\nbogus = 1\n", 2},
        {"[line]\nno equals sign\n", 2},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseSetup(c.text);
        EXPECT_FALSE(parsed) << c.text;
        EXPECT_EQ(parsed.errorLine, c.line) << c.text;
        EXPECT_FALSE(parsed.error.empty()) << c.text;
    }
    EXPECT_TRUE(ParseSetup("; only a line\n[line]\r\nname = x\r\n"));
}

std::size_t ModbusRule(const std::uint8_t* data, std::size_t length, void* context) {
    return protocol::ModbusReplyRule(data, length, context);
}

// The default set-up as the program meets it: COM ports mapped through TEV_COM<N>.
class DefaultSetupTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_setup = new tev::sim::Setup(StartDefaultSetup());
        for (const auto& line : s_setup->lines)
            ::setenv(("TEV_COM" + std::to_string(200 + line.port)).c_str(), line.line->path().c_str(), 1);
    }
    static void TearDownTestSuite() {
        delete s_setup;
        s_setup = nullptr;
    }
    void TearDown() override {
        for (std::uint8_t port = 201; port <= 204; ++port)
            CloseLink(port);
    }

    // One Modbus exchange on COM201; returns the reply as received.
    // With `untilSilence` the receive ends at the line's silence instead of the frame rule, so
    // bytes ahead of a frame are collected too.
    static std::vector<std::uint8_t> modbus(std::span<const std::uint8_t> request,
                                            std::uint16_t timeout = 500, bool untilSilence = false) {
        std::vector<std::uint8_t> reply(300);
        std::uint16_t received = 0;
        SendBytes(201, request.data(), static_cast<std::uint16_t>(request.size()));
        ReceiveFrame(201, reply.data(), timeout, 300, &received, untilSilence ? nullptr : ModbusRule,
                     nullptr);
        reply.resize(received);
        return reply;
    }
    static tev::sim::Setup* s_setup;
};
tev::sim::Setup* DefaultSetupTest::s_setup = nullptr;

TEST_F(DefaultSetupTest, ConvertersAnswerTheSearchProbeAndReportFaults) {
    ASSERT_EQ(OpenLink(201, 9600, 8, UART_PARITY_EVEN, 0), UART_OK);
    for (const std::uint8_t address : {std::uint8_t{1}, std::uint8_t{2}}) {
        const auto probe = protocol::BuildReadRequest(address, 6000, 5);
        const auto reply = modbus(probe);
        const auto checked = protocol::CheckModbusReply(probe, reply);
        ASSERT_TRUE(checked) << protocol::ReplyErrorText(checked.error);
        EXPECT_EQ(checked.data[0], address);
    }
    EXPECT_TRUE(modbus(protocol::BuildReadRequest(3, 6000, 5), 200).empty()) << "no converter at 3";

    struct Fault {
        std::atomic<int> LineOptions::*counter;
        protocol::ReplyError error;
    };
    const Fault faults[] = {{&LineOptions::dropReplies, protocol::ReplyError::NoReply},
                            {&LineOptions::corruptReplies, protocol::ReplyError::BadCrc},
                            {&LineOptions::garbageReplies, protocol::ReplyError::GarbageBeforeFrame},
                            {&LineOptions::truncateReplies, protocol::ReplyError::TooShort}};
    auto& options = s_setup->lines[0].line->options();
    const auto probe = protocol::BuildReadRequest(1, 6000, 5);
    // These receives end at a silence: unpaced, a reply arrives in one piece even when the machine
    // is too busy to keep the simulator running between its bytes.
    options.pacing = false;
    for (const auto& fault : faults) {
        options.*fault.counter = 1;
        const auto reply = modbus(probe, 300, true);
        EXPECT_EQ(protocol::CheckModbusReply(probe, reply).error, fault.error)
            << protocol::ReplyErrorText(fault.error);
    }
    options.pacing = true;
    EXPECT_TRUE(protocol::CheckModbusReply(probe, modbus(probe))) << "faults are used up";
}

TEST_F(DefaultSetupTest, MeterAnswersTheAddressSettingFramesAtItsRate) {
    ASSERT_EQ(OpenLink(202, 2400, 8, UART_PARITY_EVEN, 0), UART_OK);
    const std::uint8_t select[] = {0x68, 0x0B, 0x0B, 0x68, 0x53, 0xFD, 0x52, 0x78, 0x56,
                                   0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0xB2, 0x16};
    const std::uint8_t deselect[] = {0x10, 0x40, 0xFD, 0x3D, 0x16};
    for (std::span<const std::uint8_t> frame :
         {std::span<const std::uint8_t>(select), std::span<const std::uint8_t>(deselect)}) {
        std::uint8_t reply[255] = {};
        std::uint16_t received = 0;
        ASSERT_EQ(SendBytes(202, frame.data(), static_cast<std::uint16_t>(frame.size())), UART_OK);
        EXPECT_EQ(ReceiveBytes(202, reply, 1200, 255, &received), UART_OK);
        EXPECT_EQ(received, 1);
        EXPECT_EQ(reply[0], 0xE5);
    }
}

TEST_F(DefaultSetupTest, MeasuringModuleGivesStatusAndBinaryValues) {
    ASSERT_EQ(OpenLink(204, 9600, 8, UART_PARITY_NONE, 0), UART_OK);
    char status[UART_REPLY_MAX] = {};
    std::uint16_t length = 0;
    ASSERT_EQ(ExchangeCommand(204, "$016", status, 500, 0, &length), UART_OK);
    ASSERT_GE(length, 21);
    const auto count = static_cast<std::uint16_t>(std::stoi(std::string(status + 5, 2), nullptr, 16));
    ASSERT_GT(count, 0);
    ASSERT_EQ(SendCommand(204, "#010", 0), UART_OK);
    std::uint8_t values[4 * 64 + 7] = {};
    std::uint16_t received = 0;
    EXPECT_EQ(ReceiveBytes(204, values, 800, static_cast<std::uint16_t>(4 * count + 7), &received), UART_OK);
    EXPECT_EQ(received, 4 * count + 7);
    EXPECT_EQ(values[0], '>');
}

} // namespace
} // namespace tev::sim
