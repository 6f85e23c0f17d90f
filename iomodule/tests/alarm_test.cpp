// Alarms and event counter of analog input modules, LED display selection and linear mapping.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <utility>
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
    std::vector<std::pair<std::size_t, std::uint16_t>> args; // slot, value
    std::vector<float> floats;                               // float slots from 0
    Strings commands;                                        // empty: nothing may be sent
    Strings replies;                                         // without checksum
    std::uint16_t code;
};

// The pauses of the calls in progress: the command count when each began, and its length.
std::vector<std::pair<std::size_t, std::chrono::milliseconds>> g_pauses;
void RecordPause(std::chrono::milliseconds d) {
    g_pauses.emplace_back(Fake().sent.size(), d);
}

class Alarm : public ::testing::Test {
  protected:
    void SetUp() override {
        g_pauses.clear();
        SetAlarmPauseHook(RecordPause);
    }
    void TearDown() override { SetAlarmPauseHook(nullptr); }

    // Runs every case with the checksum flag off and on; returns nothing, checks code and traffic.
    static void run(WordFrame::Function fn, std::initializer_list<Case> cases) {
        for (bool checksum : {false, true}) {
            for (const Case& c : cases) {
                WordFrame fr(c.model, checksum);
                for (const auto& [slot, value] : c.args)
                    fr.w[slot] = value;
                for (std::size_t i = 0; i < c.floats.size(); ++i)
                    fr.f[i] = c.floats[i];
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

TEST_F(Alarm, AnalogModuleCommands) {
    run(EnableAlarm, {
                         {"momentary", 0x7011, {{5, 0}}, {}, {"@01EAM"}, {"!01"}, 0},
                         {"latched", 0x7016, {{5, 7}}, {}, {"@01EAL"}, {"!01"}, 0},
                         {"long reply", 0x7012, {}, {}, {"@01EAM"}, {"!0100"}, TEV_MODULE_INVALID_REPLY},
                         {"refusal", 0x7014, {}, {}, {"@01EAM"}, {"?01"}, TEV_MODULE_INVALID_REPLY},
                         {"7013", 0x7013, {}, {}, {}, {}, TEV_MODULE_MODEL_NOT_SERVED},
                         {"7017", 0x7017, {}, {}, {}, {}, TEV_MODULE_MODEL_NOT_SERVED},
                     });
    run(DisableAlarm, {{"7012", 0x7012, {}, {}, {"@01DA"}, {"!01"}, 0}});
    run(ClearLatchAlarm, {{"7014", 0x7014, {}, {}, {"@01CA"}, {"!01"}, 0}});
    run(ClearEventCounter, {{"7016", 0x7016, {}, {}, {"@01CE"}, {"!01"}, 0},
                            {"7033", 0x7033, {}, {}, {}, {}, TEV_MODULE_MODEL_NOT_SERVED}});
}

TEST_F(Alarm, LimitsUseTheDecimalsOfTheType) {
    run(SetAlarmLimitValue,
        {
            {"7012 type 0 low", 0x7012, {{5, 0}, {7, 0}}, {1.5F}, {"@01LO+01.500"}, {"!01"}, 0},
            {"type 2 high", 0x7011, {{5, 1}, {7, 2}}, {-12.5F}, {"@01HI-012.50"}, {"!01"}, 0},
            {"type 5: four decimals", 0x7014, {{7, 5}}, {2.5F}, {"@01LO+2.5000"}, {"!01"}, 0},
            {"type 15: one decimal", 0x7014, {{7, 15}}, {1320.0F}, {"@01LO+1320.0"}, {"!01"}, 0},
            {"type 14 cut to seven", 0x7012, {{7, 14}}, {760.0F}, {"@01LO+760.00"}, {"!01"}, 0},
            {"type 22", 0x7014, {{7, 22}}, {0.0F}, {"@01LO+0000.0"}, {"!01"}, 0},
            {"type 23", 0x7014, {{7, 23}}, {0.0F}, {}, {}, TEV_MODULE_MODEL_NOT_SERVED},
            {"7016 type 6", 0x7016, {{7, 6}}, {1.0F}, {"@01LO+01.000"}, {"!01"}, 0},
            {"7016 type 7", 0x7016, {{7, 7}}, {1.0F}, {}, {}, TEV_MODULE_ABOVE_RANGE},
            {"7016 type 30", 0x7016, {{7, 30}}, {1.0F}, {}, {}, TEV_MODULE_ABOVE_RANGE},
            {"whole part cut", 0x7012, {{7, 15}}, {1234567.0F}, {}, {}, TEV_MODULE_ABOVE_RANGE},
            {"negative cut", 0x7012, {{7, 15}}, {-1234567.0F}, {}, {}, TEV_MODULE_BELOW_RANGE},
            {"NaN", 0x7012, {{7, 0}}, {NAN}, {}, {}, TEV_MODULE_ABOVE_RANGE},
            {"7033", 0x7033, {{7, 0}}, {1.0F}, {}, {}, TEV_MODULE_MODEL_NOT_SERVED},
        });
}

TEST_F(Alarm, Readings) {
    struct Read {
        WordFrame::Function fn;
        std::uint32_t model;
        std::uint16_t slot5;
        const char* command;
        std::string reply;
        std::uint16_t code;
        std::size_t slot; // result slot (0: float slot 0)
        double value;     // expected result; unchanged marker 99 / -7
    };
    const Read reads[] = {
        {ReadAlarmLimitValue, 0x7012, 0, "@01RL", "!01+01.500", 0, 0, 1.5},
        {ReadAlarmLimitValue, 0x7012, 1, "@01RH", "!01-02.25099", 0, 0, -2.25}, // no length check
        {ReadAlarmLimitValue, 0x7012, 1, "@01RH", "!01-02.2", 0, 0, -2.2},      // shorter value read as it is
        {ReadAlarmLimitValue, 0x7012, 1, "@01RH", "!01", TEV_MODULE_INVALID_REPLY, 0, -7}, // no field
        {ReadOutputAlarmState, 0x7012, 0, "@01DI", "!0121000", 0, 7, 2},
        {ReadOutputAlarmState, 0x7012, 0, "@01DI", "!0121000", 0, 8, 2},   // 2 x 1 + 0
        {ReadOutputAlarmState, 0x7011, 0, "@01DI", "!0101100", 0, 8, 3},   // 2 x 1 + 1
        {ReadOutputAlarmState, 0x7016, 0, "@01DI", "!0110C01", 0, 8, 0xC}, // hex digit at 5
        {ReadOutputAlarmState, 0x7016, 0, "@01DI", "!0110C0", TEV_MODULE_INVALID_REPLY, 8, 99},
        {ReadEventCounter, 0x7014, 0, "@01RE", "!0100123", 0, 7, 123},
        // The five-digit count is stored as stated, its low 16 bits, as the digital counters store it.
        {ReadEventCounter, 0x7014, 0, "@01RE", "!0199999", 0, 7, 99999 & 0xFFFF},
        {ReadEventCounter, 0x7014, 0, "@01RE", "!0170000", 0, 7, 4464},
        {ReadEventCounter, 0x7014, 0, "@01RE", "!01-0012", 0, 7, 0xFFF4},
        {ReadEventCounter, 0x7014, 0, "@01RE", "?01", TEV_MODULE_INVALID_REPLY, 7, 99},
        {GetLedDisplay, 0x7016, 0, "$013", "!011", 0, 5, 1},
        {GetLedDisplay, 0x7033, 0, "$018", "!012", 0, 5, 2},
        {GetLedDisplay_7033, 0x7033, 0, "$018", "!012", 0, 5, 2},
        {ReadLinearMappingStatus, 0x7014, 0, "$01A", "!011", 0, 5, 1},
        {ReadLinearMappingStatus, 0x7016, 0, "@01A", "!010", 0, 5, 0},
    };
    for (bool checksum : {false, true}) {
        for (const Read& c : reads) {
            WordFrame fr(c.model, checksum);
            fr.w[5] = c.slot5;
            fr.w[7] = fr.w[8] = 99;
            Fake().answer(Framed(c.reply, checksum));
            EXPECT_EQ(fr(c.fn), c.code) << c.command << " " << c.reply;
            EXPECT_EQ(Fake().commands(), Strings{c.command});
            if (c.slot == 0) {
                EXPECT_FLOAT_EQ(fr.f[0], static_cast<float>(c.value)) << c.reply;
            } else if (c.code == 0 || c.slot != 5) {
                EXPECT_EQ(fr.w[c.slot], c.value) << c.command << " " << c.reply << " checksum " << checksum;
            }
        }
    }
}

TEST_F(Alarm, LedDisplayChannels) {
    run(SetLedDisplay, {
                           {"7016 channel 1", 0x7016, {{5, 1}}, {}, {"$0131"}, {"!01"}, 0},
                           {"7016 channel 2", 0x7016, {{5, 2}}, {}, {}, {}, TEV_MODULE_CHANNEL_OUT_OF_RANGE},
                           {"7033 channel 2", 0x7033, {{5, 2}}, {}, {"$0182"}, {"!01"}, 0},
                           {"7033 channel 3", 0x7033, {{5, 3}}, {}, {}, {}, TEV_MODULE_CHANNEL_OUT_OF_RANGE},
                           {"7017", 0x7017, {}, {}, {}, {}, TEV_MODULE_MODEL_NOT_SERVED},
                       });
    run(SetLedDisplay_7033, {
                                {"channel 2", 0x7033, {{5, 2}}, {}, {"$0182"}, {"!01"}, 0},
                                {"left to the module", 0x7033, {{5, 5}}, {}, {"$0185"}, {"?01"}, 12},
                                {"7016", 0x7016, {}, {}, {}, {}, TEV_MODULE_MODEL_NOT_SERVED},
                            });
    run(GetLedDisplay, {{"long reply", 0x7016, {}, {}, {"$013"}, {"!0111"}, TEV_MODULE_INVALID_REPLY}});
}

TEST_F(Alarm, MappingSwitchesAndReads) {
    run(EnableLinearMapping, {{"7014", 0x7014, {}, {}, {"$01A1"}, {"!01"}, 0},
                              {"7016", 0x7016, {}, {}, {"@01A1"}, {"!01"}, 0},
                              {"7012", 0x7012, {}, {}, {}, {}, TEV_MODULE_MODEL_NOT_SERVED}});
    run(DisableLinearMapping, {{"7016", 0x7016, {}, {}, {"@01A0"}, {"!01"}, 0}});

    struct Range {
        WordFrame::Function fn;
        std::uint32_t model;
        const char* command;
        std::string reply;
        std::uint16_t code;
        float low, high;
    };
    const Range ranges[] = {
        {ReadSourceValueOfLM, 0x7014, "$013", "!01-10.000+10.000", 0, -10.0F, 10.0F},
        {ReadSourceValueOfLM, 0x7016, "@016", "!01+00.000+05.000", 0, 0.0F, 5.0F},
        {ReadTargetValueOfLM, 0x7014, "$015", "!01+0.5000+20.000", 0, 0.5F, 20.0F},
        {ReadTargetValueOfLM, 0x7016, "@017", "!01-100.00+100.00", 0, -100.0F, 100.0F},
        {ReadTargetValueOfLM, 0x7016, "@017", "!01-100.00+100.0", TEV_MODULE_INVALID_REPLY, 1.1F, 1.1F},
        {ReadTargetValueOfLM, 0x7016, "@017", "", UART_TIMEOUT, 1.1F, 1.1F},
    };
    for (bool checksum : {false, true}) {
        for (const Range& c : ranges) {
            WordFrame fr(c.model, checksum);
            if (!c.reply.empty())
                Fake().answer(Framed(c.reply, checksum));
            EXPECT_EQ(fr(c.fn), c.code) << c.reply;
            EXPECT_EQ(Fake().commands(), Strings{c.command});
            EXPECT_FLOAT_EQ(fr.f[0], c.low) << c.reply;
            EXPECT_FLOAT_EQ(fr.f[1], c.high) << c.reply;
            // Seven slots are marked as not read, the eighth keeps its value.
            for (std::size_t i = 2; i < 7; ++i)
                EXPECT_FLOAT_EQ(fr.f[i], 1.1F) << i;
            EXPECT_FLOAT_EQ(fr.f[7], -7.0F);
        }
    }
    WordFrame refused(0x7012);
    EXPECT_EQ(refused(ReadSourceValueOfLM), TEV_MODULE_MODEL_NOT_SERVED);
    EXPECT_FLOAT_EQ(refused.f[0], -7.0F);
}

TEST_F(Alarm, SetupLinearMappingSendsBothRanges) {
    run(SetupLinearMapping, {
                                {"7014 type 8",
                                 0x7014,
                                 {{7, 8}},
                                 {-10.0F, 10.0F, 0.5F, 20.0F},
                                 {"$016-10.000+10.000", "$017+0.5000+20.000"},
                                 {"!01", "!01"},
                                 0},
                                {"7016 leads with @",
                                 0x7016,
                                 {{7, 6}},
                                 {0.0F, 20.0F, -19998.0F, 19999.0F},
                                 {"@016+00.000+20.000", "@017-19998.+19999."},
                                 {"!01", "!01"},
                                 0},
                                {"source cut to seven",
                                 0x7014,
                                 {{7, 14}},
                                 {0.0F, 760.0F, 0.0F, 10.0F},
                                 {"$016+00.000+760.00", "$017+0.0000+10.000"},
                                 {"!01", "!01"},
                                 0},
                                {"7014 type 7 proceeds",
                                 0x7014,
                                 {{7, 7}},
                                 {-500.0F, 500.0F, -1.0F, 1.0F},
                                 {"$016-500.00+500.00", "$017-01.000+1.0000"},
                                 {"!01", "!01"},
                                 0},
                            });
}

TEST_F(Alarm, SetupLinearMappingRefusals) {
    run(SetupLinearMapping,
        {
            {"source high above range",
             0x7014,
             {{7, 8}},
             {-10.0F, 10.5F, 0, 1},
             {},
             {},
             TEV_MODULE_ABOVE_RANGE},
            {"source low below range",
             0x7014,
             {{7, 8}},
             {-10.5F, 10.0F, 0, 1},
             {},
             {},
             TEV_MODULE_BELOW_RANGE},
            {"low above high", 0x7014, {{7, 8}}, {5.0F, 4.0F, 0, 1}, {}, {}, TEV_MODULE_VALUE_OUT_OF_RANGE},
            {"7016 type 7", 0x7016, {{7, 7}}, {0, 1, 0, 1}, {}, {}, TEV_MODULE_ABOVE_RANGE},
            {"type 23", 0x7014, {{7, 23}}, {0, 1, 0, 1}, {}, {}, TEV_MODULE_MODEL_NOT_SERVED},
            {"NaN source", 0x7014, {{7, 8}}, {NAN, 1, 0, 1}, {}, {}, TEV_MODULE_ABOVE_RANGE},
            {"7012", 0x7012, {{7, 8}}, {0, 1, 0, 1}, {}, {}, TEV_MODULE_MODEL_NOT_SERVED},
            // Target values are tested after the source range has been written.
            {"target high above",
             0x7014,
             {{7, 8}},
             {0, 1, 0, 20000.0F},
             {"$016+00.000+01.000"},
             {"!01"},
             TEV_MODULE_ABOVE_RANGE},
            {"target low at -19999",
             0x7014,
             {{7, 8}},
             {0, 1, -19999.0F, 1},
             {"$016+00.000+01.000"},
             {"!01"},
             TEV_MODULE_BELOW_RANGE},
            {"first reply refused",
             0x7014,
             {{7, 8}},
             {0, 1, 0, 1},
             {"$016+00.000+01.000"},
             {"?01"},
             TEV_MODULE_INVALID_REPLY},
            {"second reply refused",
             0x7014,
             {{7, 8}},
             {0, 1, 0, 1},
             {"$016+00.000+01.000", "$017+0.0000+1.0000"},
             {"!01", "?01"},
             TEV_MODULE_INVALID_REPLY},
        });
}

TEST_F(Alarm, SetupLinearMappingPausesAfterEachStore) {
    WordFrame fr(0x7014);
    fr.w[7] = 8;
    fr.f = {-10.0F, 10.0F, 0.0F, 1.0F};
    Fake().answer("!01");
    Fake().answer("!01");
    ASSERT_EQ(fr(SetupLinearMapping), 0);
    using std::chrono::milliseconds;
    const std::vector<std::pair<std::size_t, milliseconds>> expected{{1, milliseconds(100)},
                                                                     {2, milliseconds(100)}};
    EXPECT_EQ(g_pauses, expected);
    EXPECT_EQ(fr.commandTrace(), "$017+0.0000+1.0000");
    EXPECT_EQ(fr.replyTrace(), "!01");

    // No pause after a refused store.
    g_pauses.clear();
    WordFrame refused(0x7014);
    refused.w[7] = 8;
    Fake().answer("?01");
    EXPECT_EQ(refused(SetupLinearMapping), TEV_MODULE_INVALID_REPLY);
    EXPECT_TRUE(g_pauses.empty());
}

TEST(AlarmPause, SleepsWithoutAHook) {
    WordFrame fr(0x7016);
    fr.w[7] = 0;
    fr.f = {0.0F, 1.0F, 0.0F, 1.0F};
    Fake().answer("!01");
    Fake().answer("!01");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(fr(SetupLinearMapping), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

TEST(AlarmNumbers, TargetForms) {
    struct Form {
        float value;
        const char* text;
        std::uint16_t code;
    };
    const Form cases[] = {
        {19999.0F, "+19999.", 0},
        {19999.5F, "", TEV_MODULE_ABOVE_RANGE},
        {10000.0F, "+10000.", 0},
        {1000.0F, "+1000.0", 0},
        {100.0F, "+100.00", 0},
        {10.0F, "+10.000", 0},
        {1.0F, "+1.0000", 0},
        {0.5F, "+0.5000", 0},
        {0.0F, "+0.0000", 0},
        {-1.0F, "-01.000", 0},
        {-10.0F, "-010.00", 0},
        {-1000.0F, "-1000.0", 0},
        {-19998.9F, "-19998.", 0},
        {-19999.0F, "", TEV_MODULE_BELOW_RANGE},
        {NAN, "", TEV_MODULE_BELOW_RANGE},
    };
    for (const Form& c : cases) {
        const NumberText t = TargetText(c.value);
        EXPECT_EQ(t.code, c.code) << c.value;
        EXPECT_EQ(t.view(), c.text) << c.value;
    }
}

TEST(AlarmArguments, MissingBlocksAreRefusedWithoutTraffic) {
    Fake().reset();
    for (WordFrame::Function fn :
         {EnableAlarm, DisableAlarm, ClearLatchAlarm, SetAlarmLimitValue, ReadAlarmLimitValue,
          ReadOutputAlarmState, ReadEventCounter, ClearEventCounter, SetLedDisplay_7033, GetLedDisplay_7033,
          SetLedDisplay, GetLedDisplay, SetupLinearMapping, EnableLinearMapping, DisableLinearMapping,
          ReadLinearMappingStatus, ReadSourceValueOfLM, ReadTargetValueOfLM})
        EXPECT_EQ(fn(nullptr, nullptr, nullptr, nullptr), TEV_MODULE_NULL_ARGUMENT);
    for (LongFrame::Function fn : {SetAlarmConnect_8K, SetAlarmLimitValue_8K, ReadAlarmLimitValue_8K,
                                   ClearLatchAlarm_8K, ReadAlarmMode_8K, SetAlarmMode_8K, ReadAlarmStatus_8K})
        EXPECT_EQ(fn(nullptr, nullptr, nullptr, nullptr), TEV_MODULE_NULL_ARGUMENT);
    // The functions that read or write floats need the float block.
    for (WordFrame::Function fn : {SetAlarmLimitValue, ReadAlarmLimitValue, SetupLinearMapping,
                                   ReadSourceValueOfLM, ReadTargetValueOfLM}) {
        WordFrame fr(0x7014);
        EXPECT_EQ(fn(fr.w.data(), nullptr, nullptr, nullptr), TEV_MODULE_NULL_ARGUMENT);
    }
    for (LongFrame::Function fn : {SetAlarmLimitValue_8K, ReadAlarmLimitValue_8K}) {
        LongFrame fr(0x8017);
        EXPECT_EQ(fn(fr.w.data(), nullptr, nullptr, nullptr), TEV_MODULE_NULL_ARGUMENT);
    }
    EXPECT_TRUE(Fake().sent.empty());
}

} // namespace
} // namespace tev::iomodule::testing
