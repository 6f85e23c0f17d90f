// 7080 counter and frequency module commands.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "frame.hpp"
#include <tev/tev_module.h>
#include <tev/uart.h>

namespace tev::iomodule::testing {
namespace {

using Fn = std::uint16_t (*)(std::uint16_t*, float*, char*, char*);
using SlotValues = std::vector<std::pair<std::size_t, std::uint16_t>>;

constexpr std::uint16_t kModel = TEV_MODULE_MODEL_NOT_SERVED;
constexpr std::uint16_t kInvalid = TEV_MODULE_INVALID_REPLY;
constexpr std::uint16_t kCounter = TEV_MODULE_COUNTER_NUMBER;
constexpr std::uint16_t kField = TEV_MODULE_FIELD_OUT_OF_RANGE;
constexpr std::uint16_t kUnset = 0xBEEF; // result slots start with it
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Case {
    const char* name;
    Fn fn;
    SlotValues args;
    std::string reply;   // without checksum; "" = no answer
    const char* command; // nullptr: nothing sent, traces untouched
    std::uint16_t code;
    SlotValues results = {};
    std::uint32_t model = 0x7080;
};

void RunCases(std::initializer_list<Case> cases, const std::function<void(WordFrame&)>& prepare = {}) {
    for (bool checksum : {false, true}) {
        for (const Case& c : cases) {
            WordFrame fr(c.model, checksum);
            fr.w[7] = fr.w[8] = kUnset;
            if (prepare)
                prepare(fr);
            for (const auto& [slot, value] : c.args)
                fr.w[slot] = value;
            if (!c.reply.empty())
                Fake().answer(Framed(c.reply, checksum));
            const std::string where = std::string(c.name) + (checksum ? " (checksum)" : "");
            EXPECT_EQ(fr(c.fn), c.code) << where;
            if (c.command) {
                EXPECT_EQ(Fake().commands(), std::vector<std::string>{c.command}) << where;
            } else {
                EXPECT_TRUE(Fake().sent.empty()) << where;
                EXPECT_TRUE(fr.tracesUntouched()) << where;
            }
            for (const auto& [slot, value] : c.results)
                EXPECT_EQ(fr.w[slot], value) << where << " slot " << slot;
        }
    }
}

// The setters of 32-bit values and widths: the value as a double in float slots 0 and 1.
void RunValue(double value, std::initializer_list<Case> cases) {
    RunCases(cases, [value](WordFrame& fr) { tev_module_put_value_7080(fr.f.data(), value); });
}

TEST(Counter7080, ReadingsSplitIntoHighAndLowHalves) {
    RunCases({
        {"counter 0", CounterIn_7080, {{5, 0}}, ">0001E240", "#010", 0, {{7, 0x0001}, {8, 0xE240}}},
        {"counter 1", CounterIn_7080, {{5, 1}}, ">FFFF0000", "#011", 0, {{7, 0xFFFF}, {8, 0}}},
        {"counter 2", CounterIn_7080, {{5, 2}}, "", nullptr, kCounter},
        {"other model", CounterIn_7080, {{5, 0}}, "", nullptr, kModel, {}, 0x7044},
        {"short reply writes nothing", CounterIn_7080, {{5, 0}}, ">0001E24", "#010", kInvalid, {{7, kUnset}}},
        {"acknowledge form refused", CounterIn_7080, {{5, 0}}, "!0001E24", "#010", kInvalid, {{8, kUnset}}},
        {"maximum",
         ReadCounterMaxValue_7080,
         {{5, 1}},
         "!0112345678",
         "$0131",
         0,
         {{7, 0x1234}, {8, 0x5678}}},
        {"limit 0", ReadAlarmLimitValue_7080, {{5, 0}}, "!01000000FF", "@01RP", 0, {{7, 0}, {8, 0xFF}}},
        {"limit 1",
         ReadAlarmLimitValue_7080,
         {{5, 1}},
         "!01ABCDEF01",
         "@01RA",
         0,
         {{7, 0xABCD}, {8, 0xEF01}}},
        {"limit 2", ReadAlarmLimitValue_7080, {{5, 2}}, "", nullptr, kCounter},
        {"preset", ReadPresetCounterValue_7080, {{5, 1}}, "!0100010002", "@01G1", 0, {{7, 1}, {8, 2}}},
        {"preset wrong length",
         ReadPresetCounterValue_7080,
         {{5, 1}},
         "!01000100021",
         "@01G1",
         kInvalid,
         {{7, kUnset}, {8, kUnset}}},
    });
}

TEST(Counter7080, ThirtyTwoBitSetters) {
    RunValue(65535, {
                        {"preset 65535", PresetCounterValue_7080, {{5, 0}}, "!01", "@01P00000FFFF", 0},
                        {"maximum", SetCounterMaxValue_7080, {{5, 1}}, "!01", "$01310000FFFF", 0},
                        {"limit 0", SetAlarmLimitValue_7080, {{5, 0}}, "!01", "@01PA0000FFFF", 0},
                        {"limit 1", SetAlarmLimitValue_7080, {{5, 1}}, "!01", "@01SA0000FFFF", 0},
                        {"counter 2", PresetCounterValue_7080, {{5, 2}}, "", nullptr, kCounter},
                        {"refused", PresetCounterValue_7080, {{5, 0}}, "?01", "@01P00000FFFF", kInvalid},
                    });
    RunValue(4294967295.0, {{"largest", PresetCounterValue_7080, {{5, 1}}, "!01", "@01P1FFFFFFFF", 0}});
    RunValue(4294967295.1,
             {{"rounding allowance", SetCounterMaxValue_7080, {{5, 0}}, "!01", "$0130FFFFFFFF", 0}});
    RunValue(2.9, {{"truncated", PresetCounterValue_7080, {{5, 0}}, "!01", "@01P000000002", 0}});
    RunValue(0xABCDEF, {{"upper-case digits", PresetCounterValue_7080, {{5, 0}}, "!01", "@01P000ABCDEF", 0}});
    for (double bad : {-1.0, -0.001, 4294967296.0, kNaN}) {
        RunValue(bad, {
                          {"preset out of range", PresetCounterValue_7080, {{5, 0}}, "", nullptr, kField},
                          {"maximum out of range", SetCounterMaxValue_7080, {{5, 0}}, "", nullptr, kField},
                          {"limit out of range", SetAlarmLimitValue_7080, {{5, 1}}, "", nullptr, kField},
                      });
    }
}

TEST(Counter7080, SignalWidths) {
    RunValue(100, {{"high width", SetMinSignalWidth_7080, {{5, 1}}, "!01", "$010H00100", 0},
                   {"counter 2", SetMinSignalWidth_7080, {{5, 2}}, "", nullptr, kCounter}});
    RunValue(65535, {{"largest", SetMinSignalWidth_7080, {{5, 0}}, "!01", "$010L65535", 0}});
    for (double bad : {65536.0, -1.0, kNaN})
        RunValue(bad, {{"refused", SetMinSignalWidth_7080, {{5, 0}}, "", nullptr, kField}});
    RunCases({{"read", ReadMinSignalWidth_7080, {{5, 0}}, "!0100250", "$010L", 0, {{7, 250}}},
         {"read counter 2", ReadMinSignalWidth_7080, {{5, 2}}, "", nullptr, kCounter}});
}

TEST(Counter7080, AlarmsStatusModes) {
    RunCases({
        {"enable 1", EnableCounterAlarm_7080, {{5, 1}}, "!01", "@01EA1", 0},
        {"disable 0", DisableCounterAlarm_7080, {{5, 0}}, "!01", "@01DA0", 0},
        {"disable 2", DisableCounterAlarm_7080, {{5, 2}}, "", nullptr, kCounter},
        {"7080D momentary", EnableCounterAlarm_7080D, {{5, 0}}, "!01", "@01EAM", 0},
        {"7080D latched", EnableCounterAlarm_7080D, {{5, 1}}, "!01", "@01EAL", 0},
        {"7080D 2", EnableCounterAlarm_7080D, {{5, 2}}, "", nullptr, kCounter},
        {"7080D disable", DisableCounterAlarm_7080D, {{5, 7}}, "!01", "@01DA", 0},
        {"status", ReadCounterStatus_7080, {{5, 1}}, "!011", "$0151", 0, {{7, 1}}},
        {"clear", ClearCounter_7080, {{5, 0}}, "!01", "$0160", 0},
        {"start", StartCounting_7080, {{5, 1}, {7, 1}}, "!01", "$01511", 0},
        {"alarm state", ReadOutputAlarmState_7080, {}, "!0111000", "@01DI", 0, {{7, 1}, {8, 2}}},
        {"alarm state outputs", ReadOutputAlarmState_7080, {}, "!0120110", "@01DI", 0, {{7, 2}, {8, 1}}},
        {"input mode", SetInputSignalMode_7080, {{5, 2}}, "!01", "$01B2", 0},
        {"read input mode", ReadInputSignalMode_7080, {}, "!01A", "$01B", 0, {{7, 0xA}}},
        {"module mode", SetModuleMode_7080, {{5, 1}}, "!01", "~01A1", 0},
        {"read module mode", ReadModuleMode_7080, {{5, 9}}, "!011", "~01A", 0, {{5, 1}}},
        {"gate mode 2", SetGateMode_7080, {{5, 2}}, "!01", "$01A2", 0},
        {"gate mode 3", SetGateMode_7080, {{5, 3}}, "", nullptr, TEV_MODULE_GATE_MODE},
        {"gate mode other model", SetGateMode_7080, {{5, 3}}, "", nullptr, kModel, {}, 0x7044},
        {"read gate mode", ReadGateMode_7080, {{5, 9}}, "!012", "$01A", 0, {{5, 2}}},
        {"read gate mode refused", ReadGateMode_7080, {{5, 9}}, "?01", "$01A", kInvalid, {{5, 9}}},
    });
}

struct FloatCase {
    const char* name;
    Fn fn;
    std::uint16_t slot5;
    float value; // float slot 0 before the call
    const char* command;
    std::uint16_t code;
};

TEST(Counter7080, LevelsAndDisplay) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const FloatCase cases[] = {
        {"low 5.0", SetLevelVolt_7080, 0, 5.0F, "$011L50", 0},
        {"high 2.5", SetLevelVolt_7080, 1, 2.5F, "$011H25", 0},
        {"0.0", SetLevelVolt_7080, 0, 0.0F, "$011L00", 0},
        {"5.1", SetLevelVolt_7080, 0, 5.1F, nullptr, TEV_MODULE_ABOVE_RANGE},
        {"-0.1", SetLevelVolt_7080, 0, -0.1F, nullptr, TEV_MODULE_BELOW_RANGE},
        {"level NaN", SetLevelVolt_7080, 0, nan, nullptr, TEV_MODULE_ABOVE_RANGE},
        {"LED 1.0", DataToLED_7080, 0, 1.0F, "$0191.0000", 0},
        {"LED 0.5", DataToLED_7080, 0, 0.5F, "$0190.5000", 0},
        {"LED 99.5", DataToLED_7080, 0, 99.5F, "$01999.500", 0},
        {"LED 12345.6", DataToLED_7080, 0, 12345.6F, "$01912345.", 0},
        {"LED 19999", DataToLED_7080, 0, 19999.0F, "$01919999.", 0},
        {"LED 0", DataToLED_7080, 0, 0.0F, nullptr, TEV_MODULE_BELOW_RANGE},
        {"LED 20000", DataToLED_7080, 0, 20000.0F, nullptr, TEV_MODULE_ABOVE_RANGE},
        {"LED NaN", DataToLED_7080, 0, nan, nullptr, TEV_MODULE_ABOVE_RANGE},
    };
    for (const FloatCase& c : cases) {
        WordFrame fr(0x7080);
        fr.w[5] = c.slot5;
        fr.f[0] = c.value;
        Fake().answer("!01");
        EXPECT_EQ(fr(c.fn), c.code) << c.name;
        if (c.command)
            EXPECT_EQ(Fake().commands(), std::vector<std::string>{c.command}) << c.name;
        else
            EXPECT_TRUE(Fake().sent.empty()) << c.name;
    }
}

TEST(Counter7080, ReadLevelVolt) {
    for (bool checksum : {false, true}) {
        WordFrame fr(0x7080, checksum);
        fr.w[5] = 1;
        Fake().answer(Framed("!0125", checksum));
        EXPECT_EQ(fr(ReadLevelVolt_7080), 0);
        EXPECT_EQ(Fake().commands(), std::vector<std::string>{"$011H"});
        EXPECT_FLOAT_EQ(fr.f[0], 2.5F);
        Fake().answer(Framed("!012", checksum));
        EXPECT_EQ(fr(ReadLevelVolt_7080), kInvalid);
        EXPECT_FLOAT_EQ(fr.f[0], 2.5F); // only written on success
    }
}

TEST(Counter7080, Configuration) {
    const SlotValues good = {{1, 1}, {7, 2}, {8, 1}, {9, 6}, {5, 0}, {10, 1}};
    auto with = [&](std::size_t slot, std::uint16_t value) {
        SlotValues v = good;
        v.emplace_back(slot, value);
        return v;
    };
    const std::uint16_t k13 = TEV_MODULE_SELECTOR_OUT_OF_RANGE;
    RunCases({
        {"frequency", SetConfiguration_7080, good, "!02", "%0102510640", 0},
        {"counter type, format", SetConfiguration_7080, with(8, 0), "!02", "%0102500640", 0},
        {"slot 5 in the format", SetConfiguration_7080, with(5, 3), "!02", "%010251064C", 0},
        {"new address 256", SetConfiguration_7080, with(7, 256), "", nullptr, k13},
        {"address 256", SetConfiguration_7080, with(1, 256), "", nullptr, k13},
        {"slot 8 = 2", SetConfiguration_7080, with(8, 2), "", nullptr, k13},
        {"slot 9 = 2", SetConfiguration_7080, with(9, 2), "", nullptr, k13},
        {"slot 9 = 11", SetConfiguration_7080, with(9, 11), "", nullptr, k13},
        {"format byte overflows", SetConfiguration_7080, with(10, 4), "", nullptr, k13},
        {"fields before the model", SetConfiguration_7080, with(9, 11), "", nullptr, k13, {}, 0x7044},
        {"other model", SetConfiguration_7080, good, "", nullptr, kModel, {}, 0x7044},
    });
}

} // namespace
} // namespace tev::iomodule::testing
