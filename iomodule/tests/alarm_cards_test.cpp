// Alarms of 8000 analog input cards.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "alarm_types.hpp"
#include "frame.hpp"
#include <tev/tev_module.h>
#include <tev/uart.h>

namespace tev::iomodule::testing {
namespace {

using Strings = std::vector<std::string>;

struct Case {
    const char* name;
    std::uint32_t model;
    std::uint32_t channel; // slot 5
    std::uint32_t high;    // slot 8: 0 = low side
    std::uint32_t arg9;    // slot 9
    Strings commands;      // empty: nothing may be sent
    Strings replies;       // without checksum
    std::uint16_t code;
};

std::vector<std::size_t> g_pausedAfter;
std::chrono::milliseconds g_pause{};
void RecordPause(std::chrono::milliseconds d) {
    g_pausedAfter.push_back(Fake().sent.size());
    g_pause = d;
}

class AlarmCards : public ::testing::Test {
  protected:
    void SetUp() override {
        g_pausedAfter.clear();
        SetAlarmPauseHook(RecordPause);
    }
    void TearDown() override { SetAlarmPauseHook(nullptr); }

    static void run(LongFrame::Function fn, std::initializer_list<Case> cases, float value = 0.0F) {
        for (bool checksum : {false, true}) {
            for (const Case& c : cases) {
                LongFrame fr(c.model, checksum);
                fr.w[5] = c.channel;
                fr.w[7] = 3; // card slot
                fr.w[8] = c.high;
                fr.w[9] = c.arg9;
                fr.w[10] = 0xB;
                fr.f[0] = value;
                for (const std::string& reply : c.replies)
                    Fake().answer(Framed(reply, checksum));
                EXPECT_EQ(fr(fn), c.code) << c.name << " checksum " << checksum;
                EXPECT_EQ(Fake().commands(), c.commands) << c.name;
                if (c.commands.empty()) {
                    EXPECT_TRUE(fr.tracesUntouched()) << c.name;
                }
            }
        }
    }
};

TEST_F(AlarmCards, ConnectHasItsOwnReplyCodes) {
    run(SetAlarmConnect_8K,
        {
            {"to slot 2 channel B", 0x8017, 7, 1, 2, {"$01S3C7AHCS2CB"}, {"!01"}, 0},
            {"no target", 0x5013, 0, 0, 100, {"$01S3C0ALCS*C*"}, {"!01"}, 0},
            {"channel not tested", 0x8013, 9, 0, 100, {"$01S3C9ALCS*C*"}, {"!01"}, 0},
            {"refusal", 0x8018, 0, 0, 100, {"$01S3C0ALCS*C*"}, {"?01"}, TEV_MODULE_ALARM_CONNECT_FIRST},
            {"long", 0x8018, 0, 0, 100, {"$01S3C0ALCS*C*"}, {"!010"}, TEV_MODULE_ALARM_CONNECT_LENGTH},
            {"8033", 0x8033, 0, 0, 100, {}, {}, TEV_MODULE_MODEL_NOT_SERVED},
        });
    LongFrame fr(0x8017);
    EXPECT_EQ(fr(SetAlarmConnect_8K), UART_TIMEOUT); // exchange status unchanged
}

TEST_F(AlarmCards, Limits) {
    run(SetAlarmLimitValue_8K,
        {
            {"8017 channel 7 high", 0x8017, 7, 1, 0, {"$01S3C7AHU+012.50"}, {"!01"}, 0},
            {"8018 channel 6", 0x8018, 6, 0, 0, {"$01S3C6ALU+012.50"}, {"!01"}, 0},
            {"8018 channel 7", 0x8018, 7, 0, 0, {}, {}, TEV_MODULE_CHANNEL_OUT_OF_RANGE},
            {"8013 channel 4", 0x8013, 4, 0, 0, {}, {}, TEV_MODULE_CHANNEL_OUT_OF_RANGE},
            {"8033", 0x8033, 0, 0, 0, {}, {}, TEV_MODULE_MODEL_NOT_SERVED},
        },
        12.5F);
    run(SetAlarmLimitValue_8K, {{"NaN", 0x8017, 0, 0, 0, {}, {}, TEV_MODULE_ABOVE_RANGE}}, NAN);
    run(SetAlarmLimitValue_8K, {{"-inf", 0x8017, 0, 0, 0, {}, {}, TEV_MODULE_BELOW_RANGE}}, -INFINITY);
    // The whole "%+07.2f" text goes out, also beyond seven characters.
    run(SetAlarmLimitValue_8K, {{"eight characters", 0x8017, 0, 0, 0, {"$01S3C0ALU+1234.56"}, {"!01"}, 0}},
        1234.56F);
    run(SetAlarmLimitValue_8K, {{"whole part kept", 0x8013, 1, 1, 0, {"$01S3C1AHU-12345678.00"}, {"!01"}, 0}},
        -12345678.0F);

    struct Read {
        std::uint32_t model;
        std::uint32_t channel;
        std::string reply;
        std::uint16_t code;
        float value;
    };
    const Read reads[] = {
        {0x8017, 7, "!01-003.25", 0, -3.25F},
        {0x8018, 7, "!01+100.00", 0, 100.0F}, // the read takes 8018 channel 7
        {0x8033, 3, "!01+001.00", 0, 1.0F},
        {0x8033, 4, "", TEV_MODULE_CHANNEL_OUT_OF_RANGE, -7.0F},
        {0x8017, 0, "!01+001.0", TEV_MODULE_INVALID_REPLY, -7.0F},
    };
    for (bool checksum : {false, true}) {
        for (const Read& c : reads) {
            LongFrame fr(c.model, checksum);
            fr.w[5] = c.channel;
            fr.w[7] = 3;
            if (!c.reply.empty())
                Fake().answer(Framed(c.reply, checksum));
            EXPECT_EQ(fr(ReadAlarmLimitValue_8K), c.code) << c.reply;
            if (c.code != TEV_MODULE_CHANNEL_OUT_OF_RANGE) {
                EXPECT_EQ(Fake().commands(), Strings{"$01S3C" + std::to_string(c.channel) + "RLU"});
            }
            EXPECT_FLOAT_EQ(fr.f[0], c.value) << c.reply;
        }
    }
}

TEST_F(AlarmCards, ClearLatch) {
    run(ClearLatchAlarm_8K, {
                                {"low", 0x5017, 1, 0, 0, {"$01S3C1CL"}, {"!01"}, 0},
                                {"high", 0x5018, 1, 2, 0, {"$01S3C1CH"}, {"!01"}, 0},
                                {"5013 channel 4", 0x5013, 4, 0, 0, {}, {}, TEV_MODULE_CHANNEL_OUT_OF_RANGE},
                            });
}

TEST_F(AlarmCards, ReadModeAndStatus) {
    struct Read {
        LongFrame::Function fn;
        std::uint32_t model;
        const char* command;
        std::string reply;
        std::uint16_t code;
        std::uint32_t slot8, slot9;
    };
    const Read reads[] = {
        {ReadAlarmMode_8K, 0x8017, "$01S3C2AL", "!01D", 0, 99, 0},
        {ReadAlarmMode_8K, 0x8017, "$01S3C2AL", "!01M", 0, 99, 1},
        {ReadAlarmMode_8K, 0x8033, "$01S3C2AL", "!01L", 0, 99, 2},
        {ReadAlarmMode_8K, 0x8017, "$01S3C2AL", "!01X", TEV_MODULE_INVALID_REPLY, 99, 99},
        {ReadAlarmMode_8K, 0x8017, "$01S3C2AL", "!01LL", TEV_MODULE_INVALID_REPLY, 99, 99},
        {ReadAlarmStatus_8K, 0x8013, "$01S3C2S", "!0110", 0, 1, 0},
        {ReadAlarmStatus_8K, 0x5033, "$01S3C2S", "!0101", 0, 0, 1},
        {ReadAlarmStatus_8K, 0x8018, "$01S3C2S", "!011", TEV_MODULE_INVALID_REPLY, 99, 99},
    };
    for (bool checksum : {false, true}) {
        for (const Read& c : reads) {
            LongFrame fr(c.model, checksum);
            fr.w[5] = 2;
            fr.w[7] = 3;
            fr.w[8] = 0;
            fr.w[9] = 99;
            Fake().answer(Framed(c.reply, checksum));
            EXPECT_EQ(fr(c.fn), c.code) << c.reply;
            EXPECT_EQ(Fake().commands(), Strings{c.command});
            EXPECT_EQ(fr.w[8], c.slot8 == 99 ? 0u : c.slot8) << c.reply;
            EXPECT_EQ(fr.w[9], c.slot9) << c.reply << " checksum " << checksum;
        }
    }
    run(ReadAlarmMode_8K, {{"8018 channel 7", 0x8018, 7, 1, 0, {"$01S3C7AH"}, {"!01M"}, 0},
                           {"8033 channel 4", 0x8033, 4, 0, 0, {}, {}, TEV_MODULE_CHANNEL_OUT_OF_RANGE}});
    run(ReadAlarmStatus_8K, {{"8018 channel 7", 0x8018, 7, 0, 0, {}, {}, TEV_MODULE_CHANNEL_OUT_OF_RANGE},
                             {"8022", 0x8022, 0, 0, 0, {}, {}, TEV_MODULE_MODEL_NOT_SERVED}});
}

TEST_F(AlarmCards, SetModeInOneOrTwoSteps) {
    run(SetAlarmMode_8K,
        {
            {"disable", 0x8017, 1, 0, 0, {"$01S3C1ALED"}, {"!01"}, 0},
            {"momentary", 0x8017, 1, 1, 1, {"$01S3C1AHEE", "$01S3C1AHM"}, {"!01", "!01"}, 0},
            {"latched", 0x8017, 1, 0, 2, {"$01S3C1ALEE", "$01S3C1ALL"}, {"!01", "!01"}, 0},
            {"first refused", 0x8017, 1, 0, 2, {"$01S3C1ALEE"}, {"?01"}, TEV_MODULE_INVALID_REPLY},
            {"second refused",
             0x8017,
             1,
             0,
             2,
             {"$01S3C1ALEE", "$01S3C1ALL"},
             {"!01", "?01"},
             TEV_MODULE_INVALID_REPLY},
            {"8018 channel 7", 0x8018, 7, 0, 2, {}, {}, TEV_MODULE_CHANNEL_OUT_OF_RANGE},
        });
    // Pauses: one per two-step run (momentary, latched, second refused), each after the first command.
    EXPECT_EQ(g_pausedAfter, (std::vector<std::size_t>{1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(g_pause, std::chrono::milliseconds(200));
}

TEST_F(AlarmCards, TwoStepTraceShowsTheLastExchange) {
    LongFrame fr(0x8017);
    fr.w[5] = 1;
    fr.w[7] = 3;
    fr.w[9] = 2;
    Fake().answer("!01");
    Fake().answer("?01");
    EXPECT_EQ(fr(SetAlarmMode_8K), TEV_MODULE_INVALID_REPLY);
    EXPECT_EQ(fr.commandTrace(), "$01S3C1ALL");
    EXPECT_EQ(fr.replyTrace(), "?01");
}

} // namespace
} // namespace tev::iomodule::testing
