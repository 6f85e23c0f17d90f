// Safe and power-on values of digital and analog outputs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "frame.hpp"
#include <tev/tev_module.h>
#include <tev/uart.h>

namespace tev::iomodule::testing {
namespace {

using Strings = std::vector<std::string>;

struct Case {
    const char* name;
    std::uint32_t model;
    std::uint16_t slot5;
    float value;      // float slot 0
    Strings commands; // empty: nothing may be sent
    Strings replies;  // without checksum; fewer than commands: the exchange times out
    std::uint16_t code;
};

void RunCases(WordFrame::Function fn, std::initializer_list<Case> cases) {
    for (bool checksum : {false, true}) {
        for (const Case& c : cases) {
            WordFrame fr(c.model, checksum);
            fr.w[5] = c.slot5;
            fr.f[0] = c.value;
            for (const std::string& reply : c.replies)
                Fake().answer(Framed(reply, checksum));
            EXPECT_EQ(fr(fn), c.code) << c.name << " checksum " << checksum;
            EXPECT_EQ(Fake().commands(), c.commands) << c.name;
            if (c.commands.empty()) {
                EXPECT_TRUE(fr.tracesUntouched()) << c.name;
            } else {
                // The traces show the last command sent and its reply.
                EXPECT_EQ(fr.commandTrace(), c.commands.back()) << c.name;
                const std::size_t n = c.commands.size();
                EXPECT_EQ(fr.replyTrace(), c.replies.size() >= n ? Framed(c.replies[n - 1], checksum) : "")
                    << c.name;
            }
        }
    }
}

TEST(SafeValueForDo, RefusesBitsTheModelLacks) {
    RunCases(SetSafeValueForDo,
        {
            {"7060 0x10", 0x7060, 0x10, 0, {}, {}, TEV_MODULE_VALUE_OUT_OF_RANGE},
            {"7060 0x5", 0x7060, 0x5, 0, {"@015", "~015S"}, {">", "!01"}, 0},
            {"7063 7", 0x7063, 7, 0, {"@017", "~015S"}, {">", "!01"}, 0},
            {"7063 8", 0x7063, 8, 0, {}, {}, TEV_MODULE_VALUE_OUT_OF_RANGE},
            {"7042 0x1FFF", 0x7042, 0x1FFF, 0, {"@011FFF", "~015S"}, {">", "!01"}, 0},
            {"7042 0x2000", 0x7042, 0x2000, 0, {}, {}, TEV_MODULE_VALUE_OUT_OF_RANGE},
            {"7043 0xFFFF", 0x7043, 0xFFFF, 0, {"@01FFFF", "~015S"}, {">", "!01"}, 0},
            {"7044 0xFF", 0x7044, 0xFF, 0, {"@01FF", "~015S"}, {">", "!01"}, 0},
            {"7050 0x100", 0x7050, 0x100, 0, {}, {}, TEV_MODULE_VALUE_OUT_OF_RANGE},
            {"7065 0x1F", 0x7065, 0x1F, 0, {"@011F", "~015S"}, {">", "!01"}, 0},
            {"7066 0x80", 0x7066, 0x80, 0, {}, {}, TEV_MODULE_VALUE_OUT_OF_RANGE},
            {"7067 0x7F", 0x7067, 0x7F, 0, {"@017F", "~015S"}, {">", "!01"}, 0},
            {"7041", 0x7041, 0, 0, {}, {}, TEV_MODULE_MODEL_NOT_SERVED},
            {"first refused", 0x7060, 0x5, 0, {"@015"}, {"?01"}, TEV_MODULE_INVALID_REPLY},
            {"first wrong length", 0x7060, 0x5, 0, {"@015"}, {">01"}, TEV_MODULE_INVALID_REPLY},
            {"first times out", 0x7060, 0x5, 0, {"@015"}, {}, UART_TIMEOUT},
            {"second refused", 0x7060, 0x5, 0, {"@015", "~015S"}, {">", "?01"}, TEV_MODULE_INVALID_REPLY},
        });
    RunCases(SetPowerOnValueForDo, {{"7044", 0x7044, 0x81, 0, {"@0181", "~015P"}, {">", "!01"}, 0}});
}

TEST(SafeValueForDo, ReadBack) {
    struct Read {
        WordFrame::Function fn;
        std::uint32_t model;
        const char* command;
        std::string reply;
        std::uint16_t code;
        std::uint16_t value;
    };
    const Read reads[] = {
        {ReadSafeValueForDo, 0x7060, "~014S", "!010500", 0, 0x05},
        {ReadSafeValueForDo, 0x7042, "~014S", "!011ABC", 0, 0x1ABC},
        {ReadPowerOnValueForDo, 0x7044, "~014P", "!01A500", 0, 0xA5},
        {ReadSafeValueForDo, 0x7060, "~014S", ">010500", 0, 0x05}, // any first character
        {ReadSafeValueForDo, 0x7060, "~014S", "!0105000", TEV_MODULE_INVALID_REPLY, 99},
        {ReadSafeValueForDo, 0x7060, "~014S", "?01", TEV_MODULE_INVALID_REPLY, 99},
    };
    for (bool checksum : {false, true}) {
        for (const Read& c : reads) {
            WordFrame fr(c.model, checksum);
            fr.w[5] = 99;
            Fake().answer(Framed(c.reply, checksum));
            EXPECT_EQ(fr(c.fn), c.code) << c.reply;
            EXPECT_EQ(Fake().commands(), Strings{c.command});
            EXPECT_EQ(fr.w[5], c.value) << c.reply << " checksum " << checksum;
        }
    }
    WordFrame fr(0x7012);
    EXPECT_EQ(fr(ReadSafeValueForDo), TEV_MODULE_MODEL_NOT_SERVED);
}

TEST(SafeValueForDo, AnalogModulesSetBothInOneCommand) {
    struct Pair {
        std::uint32_t model;
        std::uint16_t powerOn, safe;
        const char* command;
        std::uint16_t code;
    };
    const Pair cases[] = {
        {0x7011, 2, 1, "~0150201", 0},
        {0x7014, 3, 3, "~0150303", 0},
        {0x7012, 4, 0, nullptr, TEV_MODULE_VALUE_OUT_OF_RANGE},
        {0x7012, 0, 4, nullptr, TEV_MODULE_VALUE_OUT_OF_RANGE},
        {0x7016, 0, 0, nullptr, TEV_MODULE_MODEL_NOT_SERVED},
    };
    for (const Pair& c : cases) {
        WordFrame fr(c.model);
        fr.w[5] = c.powerOn;
        fr.w[7] = c.safe;
        Fake().answer("!01");
        EXPECT_EQ(fr(SetPowerOnSafeValue), c.code);
        EXPECT_EQ(Fake().commands(), c.command ? Strings{c.command} : Strings{});
    }
}

TEST(SafeValueForAo, OutputThenStore) {
    RunCases(SetSafeValueForAo,
        {
            // The 7021 has no channel digit but the same channel limit 0-1 as the 7022.
            {"7021", 0x7021, 1, 4.5F, {"#0104.500", "~015"}, {">", "!01"}, 0},
            {"7021 channel 2", 0x7021, 2, 4.5F, {}, {}, TEV_MODULE_CHANNEL_OUT_OF_RANGE},
            {"7022 channel 1", 0x7022, 1, 12.5F, {"#01112.500", "~0151"}, {">", "!01"}, 0},
            {"7022 channel 2", 0x7022, 2, 12.5F, {}, {}, TEV_MODULE_CHANNEL_OUT_OF_RANGE},
            {"7024 channel 3", 0x7024, 3, -5.0F, {"#013-05.000", "~0153"}, {">", "!01"}, 0},
            {"7024 channel 4", 0x7024, 4, 1.0F, {}, {}, TEV_MODULE_CHANNEL_OUT_OF_RANGE},
            {"7021 negative", 0x7021, 0, -1.0F, {}, {}, TEV_MODULE_BELOW_RANGE},
            {"7021 NaN", 0x7021, 0, NAN, {}, {}, TEV_MODULE_ABOVE_RANGE},
            {"7016", 0x7016, 0, 1.0F, {}, {}, TEV_MODULE_MODEL_NOT_SERVED},
            {"first refused", 0x7024, 0, 1.0F, {"#010+01.000"}, {"?01"}, TEV_MODULE_INVALID_REPLY},
            {"second wrong length",
             0x7024,
             0,
             1.0F,
             {"#010+01.000", "~0150"},
             {">", "!010"},
             TEV_MODULE_INVALID_REPLY},
        });
    RunCases(SetPowerOnValueForAo,
        {
            {"7021", 0x7021, 0, 10.0F, {"#0110.000", "$014"}, {">", "!01"}, 0},
            {"7021 channel 2", 0x7021, 2, 1.0F, {}, {}, TEV_MODULE_CHANNEL_OUT_OF_RANGE},
            {"7024", 0x7024, 2, 2.0F, {"#012+02.000", "$0142"}, {">", "!01"}, 0},
        });
}

TEST(SafeValueForAo, ReadBack) {
    struct Read {
        WordFrame::Function fn;
        std::uint32_t model;
        std::uint16_t channel;
        const char* command; // nullptr: nothing sent
        std::string reply;
        std::uint16_t code;
        float value;
    };
    const Read reads[] = {
        {ReadSafeValueForAo, 0x7021, 1, "~014", "!0104.500", 0, 4.5F},
        {ReadSafeValueForAo, 0x7021, 2, nullptr, "", TEV_MODULE_CHANNEL_OUT_OF_RANGE, -7.0F},
        {ReadSafeValueForAo, 0x7022, 1, "~0141", "!0112.5009", 0, 12.5F}, // six characters
        {ReadSafeValueForAo, 0x7024, 3, "~0143", "!01-05.0001", 0, -5.0F},
        {ReadSafeValueForAo, 0x7024, 3, "~0143", "!01-05.5", 0, -5.5F}, // no length test
        {ReadSafeValueForAo, 0x7024, 3, "~0143", "!01", TEV_MODULE_INVALID_REPLY, -7.0F},
        {ReadSafeValueForAo, 0x7022, 2, nullptr, "", TEV_MODULE_CHANNEL_OUT_OF_RANGE, -7.0F},
        {ReadPowerOnValueForAo, 0x7024, 1, "$0171", "!01+02.000", 0, 2.0F},
        {ReadPowerOnValueForAo, 0x7024, 1, "$0171", "!01+02.0000", TEV_MODULE_INVALID_REPLY, -7.0F},
        {ReadPowerOnValueForAo, 0x7024, 4, nullptr, "", TEV_MODULE_CHANNEL_OUT_OF_RANGE, -7.0F},
        {ReadPowerOnValueForAo, 0x7022, 0, nullptr, "", TEV_MODULE_MODEL_NOT_SERVED, -7.0F},
    };
    for (bool checksum : {false, true}) {
        for (const Read& c : reads) {
            WordFrame fr(c.model, checksum);
            fr.w[5] = c.channel;
            if (!c.reply.empty())
                Fake().answer(Framed(c.reply, checksum));
            EXPECT_EQ(fr(c.fn), c.code) << c.reply;
            EXPECT_EQ(Fake().commands(), c.command ? Strings{c.command} : Strings{});
            EXPECT_FLOAT_EQ(fr.f[0], c.value) << c.reply << " checksum " << checksum;
        }
    }
}

} // namespace
} // namespace tev::iomodule::testing
