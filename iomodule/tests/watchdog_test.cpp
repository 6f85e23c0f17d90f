// Host watchdog, reset and configuration status, and the configuration and start-up values of
// analog output cards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame.hpp"
#include <tev/tev_module.h>
#include <tev/uart.h>

namespace tev::iomodule::testing {
namespace {

using Strings = std::vector<std::string>;

TEST(HostIsOK, SendsWithoutReplyToEveryModule) {
    for (std::uint16_t trace : {std::uint16_t{1}, std::uint16_t{2}}) {
        WordFrame fr(0x7017);
        fr.w[1] = 0x44; // ignored
        fr.w[3] = 1;
        fr.w[6] = trace;
        Fake().sendStatus = UART_WRITE_ERROR;
        EXPECT_EQ(fr(HostIsOK), UART_WRITE_ERROR);
        ASSERT_EQ(Fake().sent.size(), 1u);
        EXPECT_EQ(Fake().sent[0].command, "~**");
        EXPECT_FALSE(Fake().sent[0].waited);
        EXPECT_EQ(Fake().sent[0].checksum, 1);
        EXPECT_EQ(Fake().sent[0].port, 3);
        EXPECT_EQ(fr.commandTrace(), trace == 1 ? "~**" : "untouched");
        EXPECT_EQ(fr.replyTrace(), trace == 1 ? "" : "untouched");
    }
    EXPECT_EQ(HostIsOK(nullptr, nullptr, nullptr, nullptr), TEV_MODULE_NULL_ARGUMENT);
}

TEST(HostWatchdog, Setup) {
    struct Case {
        std::uint16_t timeout, enable, time;
        const char* command;
    };
    const Case cases[] = {
        {200, 1, 0x32, "~013132"},
        {200, 0, 0x0A, "~01300A"},
        {200, 1, 0x1FF, "~0131FF"}, // low 8 bits of the time
        {0, 1, 0x32, "~013032"},    // no timeout: the enable digit is 0
    };
    for (bool checksum : {false, true}) {
        for (const Case& c : cases) {
            WordFrame fr(0x7044, checksum);
            fr.w[4] = c.timeout;
            fr.w[5] = c.enable;
            fr.w[7] = c.time;
            Fake().answer(Framed("!01", checksum));
            EXPECT_EQ(fr(ToSetupHostWatchdog), 0) << c.command;
            EXPECT_EQ(Fake().commands(), Strings{c.command});
        }
    }
}

// Status readings: any model; the result slots as the reply gives them.
TEST(HostWatchdog, Readings) {
    struct Case {
        WordFrame::Function fn;
        std::uint32_t model;
        const char* command;
        std::string reply;
        std::uint16_t code;
        std::vector<std::pair<std::size_t, std::uint16_t>> results;
    };
    const Case cases[] = {
        {ToReadHostWatchdog, 0x7017, "~012", "!0113C", 0, {{5, 1}, {7, 0x3C}}},
        {ToReadHostWatchdog, 0x7017, "~012", "!0113", TEV_MODULE_INVALID_REPLY, {{5, 99}, {7, 99}}},
        {ReadModuleHostWatchdogStatus, 0x1234, "~010", "!0104", 0, {{5, 4}}},
        {ReadModuleHostWatchdogStatus, 0x7012, "~010", "?01", TEV_MODULE_INVALID_REPLY, {{5, 99}}},
        {ResetModuleHostWatchdogStatus, 0x7012, "~011", "!01", 0, {}},
        {ReadModuleResetStatus, 0x7014, "$01R", "!011", 0, {{5, 1}}},
        {ReadModuleResetStatus, 0x7012, "$015", "!010", 0, {{5, 0}}},
        {ReadConfigStatus, 0x7017, "$012", "!01080A40", 0, {{7, 1}, {8, 8}, {9, 0xA}, {10, 0x40}}},
        {ReadConfigStatus, 0x7017, "$012", "!01080A4", TEV_MODULE_INVALID_REPLY, {{7, 99}, {10, 99}}},
    };
    for (bool checksum : {false, true}) {
        for (const Case& c : cases) {
            WordFrame fr(c.model, checksum);
            for (std::size_t slot : {5, 7, 8, 9, 10})
                fr.w[slot] = 99;
            Fake().answer(Framed(c.reply, checksum));
            EXPECT_EQ(fr(c.fn), c.code) << c.command << " " << c.reply;
            EXPECT_EQ(Fake().commands(), Strings{c.command});
            for (const auto& [slot, value] : c.results)
                EXPECT_EQ(fr.w[slot], value) << c.command << " slot " << slot << " checksum " << checksum;
        }
    }
}

TEST(OutputCards, ConfigurationAndStartUp) {
    struct Case {
        LongFrame::Function fn;
        std::uint32_t model;
        std::uint32_t channel;
        const char* command; // nullptr: nothing sent
        std::string reply;
        std::uint16_t code;
        std::uint32_t slot8, slot9;
        float value;
    };
    const Case cases[] = {
        {ReadConfigurationStatus_8K, 0x8024, 3, "$01S2C3B", "!013386", 0, 0x33, 0x21, -7.0F},
        {ReadConfigurationStatus_8K, 0x8022, 2, nullptr, "", TEV_MODULE_CHANNEL_OUT_OF_RANGE, 99, 99, -7.0F},
        {ReadConfigurationStatus_8K, 0x8024, 0, "$01S2C0B", "!01338", TEV_MODULE_INVALID_REPLY, 99, 99,
         -7.0F},
        {ReadConfigurationStatus_87K, 0x87024, 3, "$012", "!0133060C", 0, 0x33, 0x3, -7.0F},
        {ReadConfigurationStatus_87K, 0x87024, 4, nullptr, "", TEV_MODULE_CHANNEL_OUT_OF_RANGE, 99, 99,
         -7.0F},
        {ReadConfigurationStatus_87K, 0x8024, 0, nullptr, "", TEV_MODULE_MODEL_NOT_SERVED, 99, 99, -7.0F},
        {SetStartUpValue_8K, 0x5024, 1, "$01S2C14", "!01", 0, 99, 99, -7.0F},
        {SetStartUpValue_87K, 0x87024, 1, "$0141", "!01", 0, 99, 99, -7.0F},
        {SetStartUpValue_87K, 0x87022, 1, nullptr, "", TEV_MODULE_MODEL_NOT_SERVED, 99, 99, -7.0F},
        {ReadStartUpValue_8K, 0x8022, 1, "$01S2C16", "!01+02.500", 0, 99, 99, 2.5F}, // six characters
        {ReadStartUpValue_8K, 0x8022, 1, "$01S2C16", "!01+02.", 0, 99, 99, 2.0F},    // read as far as it goes
        {ReadStartUpValue_8K, 0x8022, 1, "$01S2C16", "!01", TEV_MODULE_INVALID_REPLY, 99, 99, -7.0F},
        {ReadStartUpValue_87K, 0x87024, 2, "$0172", "!0", TEV_MODULE_INVALID_REPLY, 99, 99, -7.0F},
        {ReadStartUpValue_87K, 0x87024, 2, "$0172", "!01+04.250", 0, 99, 99, 4.25F},
    };
    for (bool checksum : {false, true}) {
        for (const Case& c : cases) {
            LongFrame fr(c.model, checksum);
            fr.w[5] = c.channel;
            fr.w[7] = 2;
            fr.w[8] = fr.w[9] = 99;
            if (!c.reply.empty())
                Fake().answer(Framed(c.reply, checksum));
            EXPECT_EQ(fr(c.fn), c.code) << c.reply;
            EXPECT_EQ(Fake().commands(), c.command ? Strings{c.command} : Strings{});
            EXPECT_EQ(fr.w[8], c.slot8) << c.reply;
            EXPECT_EQ(fr.w[9], c.slot9) << c.reply;
            EXPECT_FLOAT_EQ(fr.f[0], c.value) << c.reply << " checksum " << checksum;
        }
    }
}

TEST(WatchdogArguments, MissingBlocksAreRefusedWithoutTraffic) {
    Fake().reset();
    for (WordFrame::Function fn :
         {HostIsOK, ReadModuleResetStatus, ToSetupHostWatchdog, ToReadHostWatchdog,
          ReadModuleHostWatchdogStatus, ResetModuleHostWatchdogStatus, SetSafeValueForDo,
          SetPowerOnValueForDo, SetSafeValueForAo, SetPowerOnValueForAo, SetPowerOnSafeValue,
          ReadSafeValueForDo, ReadPowerOnValueForDo, ReadSafeValueForAo, ReadPowerOnValueForAo,
          ReadConfigStatus})
        EXPECT_EQ(fn(nullptr, nullptr, nullptr, nullptr), TEV_MODULE_NULL_ARGUMENT);
    for (LongFrame::Function fn : {ReadConfigurationStatus_8K, SetStartUpValue_8K, ReadStartUpValue_8K,
                                   ReadConfigurationStatus_87K, SetStartUpValue_87K, ReadStartUpValue_87K})
        EXPECT_EQ(fn(nullptr, nullptr, nullptr, nullptr), TEV_MODULE_NULL_ARGUMENT);
    // The functions that read or write floats need the float block.
    for (WordFrame::Function fn :
         {SetSafeValueForAo, SetPowerOnValueForAo, ReadSafeValueForAo, ReadPowerOnValueForAo}) {
        WordFrame fr(0x7024);
        EXPECT_EQ(fn(fr.w.data(), nullptr, nullptr, nullptr), TEV_MODULE_NULL_ARGUMENT);
    }
    for (LongFrame::Function fn : {ReadStartUpValue_8K, ReadStartUpValue_87K}) {
        LongFrame fr(0x8024);
        EXPECT_EQ(fn(fr.w.data(), nullptr, nullptr, nullptr), TEV_MODULE_NULL_ARGUMENT);
    }
    EXPECT_TRUE(Fake().sent.empty());
}

} // namespace
} // namespace tev::iomodule::testing
