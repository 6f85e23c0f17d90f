// The call frame every command function shares: address, trace copies, checksum lengths, refusals.
#include <gtest/gtest.h>

#include "frame.hpp"
#include "tev_module.h"
#include "uart.h"

namespace tev::iomodule::testing {
namespace {

TEST(CallFrame, AddressUsesLowEightBitsAndPortTimeoutPassThrough) {
    WordFrame fr(0x7012);
    fr.w[1] = 0x1A0;
    fr.w[0] = 0x0105; // port: low 8 bits
    fr.w[4] = 1234;
    fake().answer(">+001.50");
    EXPECT_EQ(fr(AnalogIn), 0);
    ASSERT_EQ(fake().sent.size(), 1u);
    EXPECT_EQ(fake().sent[0].command, "#A0");
    EXPECT_EQ(fake().sent[0].port, 5);
    EXPECT_EQ(fake().sent[0].timeout, 1234);
    EXPECT_FLOAT_EQ(fr.f[0], 1.5F);
}

TEST(CallFrame, ChecksumFlagHandedOnAndLengthensExactReplies) {
    // ThermocoupleOpen_7011 expects exactly "!AAd": 4 characters, 6 with the checksum.
    struct Case {
        std::uint16_t flag;
        std::string reply;
        std::uint16_t code;
    };
    const Case cases[] = {
        {0, "!011", 0},
        {0, "!0110", 12},
        {0, withChecksum("!011"), 12},
        {1, withChecksum("!011"), 0},
        {1, "!011", 12},
        {5, withChecksum("!011"), 0}, // any non-zero flag is on
    };
    for (const Case& c : cases) {
        WordFrame fr(0x7011);
        fr.w[3] = c.flag;
        fake().answer(c.reply);
        EXPECT_EQ(fr(ThermocoupleOpen_7011), c.code) << c.reply << " flag " << c.flag;
        EXPECT_EQ(fake().sent.at(0).checksum, c.flag);
    }
}

TEST(CallFrame, TraceCopies) {
    struct Case {
        std::uint16_t traceFlag;
        std::uint16_t status;
        const char* reply;
        const char* commandTrace;
        const char* replyTrace;
    };
    const Case cases[] = {
        {1, 0, ">+001.00", "#01", ">+001.00"},
        {2, 0, ">+001.00", "untouched", "untouched"},    // only 1 means on
        {1, UART_CHECKSUM_ERROR, ">+0", "#01", ">+0"},   // reply copied whatever the status
        {1, UART_TIMEOUT, "", "#01", ""},                //
        {0, UART_TIMEOUT, "", "untouched", "untouched"}, //
    };
    for (const Case& c : cases) {
        WordFrame fr(0x7012);
        fr.w[6] = c.traceFlag;
        fake().answer(c.reply, c.status);
        EXPECT_EQ(fr(AnalogIn), c.status);
        EXPECT_EQ(fr.commandTrace(), c.commandTrace);
        EXPECT_EQ(fr.replyTrace(), c.replyTrace);
    }
}

TEST(CallFrame, RefusalsSendNothingAndLeaveTracesAlone) {
    WordFrame fr(0x7099);
    EXPECT_EQ(fr(AnalogIn), TEV_MODULE_MODEL_NOT_SERVED);
    EXPECT_TRUE(fake().sent.empty());
    EXPECT_TRUE(fr.tracesUntouched());
    EXPECT_FLOAT_EQ(fr.f[0], -7.0F);
}

TEST(CallFrame, NullBlocksRefused) {
    fake().reset();
    float f[8] = {};
    char c[100] = "";
    EXPECT_EQ(AnalogIn(nullptr, f, c, c), TEV_MODULE_NULL_ARGUMENT);
    std::uint16_t w[12] = {1, 1, 0x7012, 0, 100, 0, 1};
    EXPECT_EQ(AnalogIn(w, nullptr, c, c), TEV_MODULE_NULL_ARGUMENT);
    EXPECT_EQ(AnalogInAllHex(w, nullptr, c, c), TEV_MODULE_NULL_ARGUMENT);
    EXPECT_TRUE(fake().sent.empty());
    // NULL trace buffers are allowed: no copies.
    fake().answer(">+002.00");
    EXPECT_EQ(AnalogIn(w, f, nullptr, nullptr), 0);
    EXPECT_FLOAT_EQ(f[0], 2.0F);
    // Functions whose results are all integers take no float block.
    w[2] = 0x7021;
    fake().answer("!01FFF");
    EXPECT_EQ(AnalogOutReadBackHex(w, nullptr, c, c), 0);
    EXPECT_EQ(w[9], 0xFFF);
    w[2] = 0x7012;
    fake().answer(">0A1B");
    EXPECT_EQ(AnalogInHex(w, nullptr, c, c), 0);
    EXPECT_EQ(w[7], 0x0A1B);
}

TEST(CallFrame, OverlongReplyIsBoundedToTheBuffer) {
    WordFrame fr(0x7012);
    fake().answer(">" + std::string(200, '1'));
    EXPECT_EQ(fr(AnalogIn), 0);
    EXPECT_LT(fr.replyTrace().size(), 80u);
}

TEST(CallFrame, CardSlotsReadLowSixteenBitsAnd87KModelWhole) {
    LongFrame fr(0x87017);
    fr.w[1] = 0x12345602; // address: low 8 bits
    fr.w[5] = 0x10003;    // channel: low 16 bits = 3
    fake().answer(">+01.000");
    EXPECT_EQ(fr(AnalogIn_87K), 0);
    EXPECT_EQ(fake().sent.at(0).command, "#023");
}

} // namespace
} // namespace tev::iomodule::testing
