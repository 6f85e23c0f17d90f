// Single-channel analog input readings of I-7000 modules, 8000 and 87K cards.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "frame.hpp"
#include <tev/tev_module.h>
#include <tev/uart.h>

namespace tev::iomodule::testing {
namespace {

constexpr float kUntouched = -7.0F;

struct ReadCase {
    const char* name;
    std::uint32_t model;
    std::uint32_t channel;
    std::string reply;   // without checksum; "" = no answer (timeout)
    const char* command; // nullptr: nothing sent
    std::uint16_t code;
    float value; // float slot 0 afterwards
};

template <class Slot>
void RunReadCases(std::uint16_t (*fn)(Slot*, float*, char*, char*), std::initializer_list<ReadCase> cases,
                  std::uint32_t cardSlot = 0) {
    for (bool checksum : {false, true}) {
        for (const ReadCase& c : cases) {
            Frame<Slot> fr(c.model, checksum);
            fr.w[5] = static_cast<Slot>(c.channel);
            fr.w[7] = static_cast<Slot>(cardSlot);
            if (!c.reply.empty())
                Fake().answer(Framed(c.reply, checksum));
            EXPECT_EQ(fr(fn), c.code) << c.name << " checksum " << checksum;
            ExpectSent(fr, c.command, c.name);
            EXPECT_FLOAT_EQ(fr.f[0], c.value) << c.name << " checksum " << checksum;
        }
    }
}

TEST(AnalogIn, Readings) {
    RunReadCases(AnalogIn,
                 {
                     {"single channel ignores slot 5", 0x7016, 5, ">+0012.5", "#01", 0, 12.5F},
                     {"7011", 0x7011, 0, ">-05.000", "#01", 0, -5.0F},
                     {"7017 channel 7", 0x7017, 7, ">+01.234", "#017", 0, 1.234F},
                     {"7017 channel 8", 0x7017, 8, "", nullptr, TEV_MODULE_CHANNEL_OUT_OF_RANGE, kUntouched},
                     {"7033 channel 2", 0x7033, 2, ">+100.00", "#012", 0, 100.0F},
                     {"7033 channel 3", 0x7033, 3, "", nullptr, TEV_MODULE_CHANNEL_OUT_OF_RANGE, kUntouched},
                     {"4017 not served", 0x4017, 0, "", nullptr, TEV_MODULE_MODEL_NOT_SERVED, kUntouched},
                     {"below range", 0x7012, 0, ">-0000", "#01", TEV_MODULE_BELOW_RANGE, 0.0F},
                     {"above range", 0x7012, 0, ">+9999", "#01", TEV_MODULE_ABOVE_RANGE, 0.0F},
                     {"-0000 inside a longer reply is a value", 0x7012, 0, ">-0000.5", "#01", 0, -0.5F},
                     {"refusal", 0x7012, 0, "?01", "#01", TEV_MODULE_INVALID_REPLY, 0.0F},
                     {"timeout clears the value", 0x7012, 0, "", "#01", UART_TIMEOUT, 0.0F},
                     {"bare > is no reading", 0x7012, 0, ">", "#01", TEV_MODULE_INVALID_REPLY, 0.0F},
                     {"stray character after the number", 0x7012, 0, ">+01.01n", "#01",
                      TEV_MODULE_INVALID_REPLY, 0.0F},
                 });
}

TEST(AnalogIn, FsrDoesNotServeThe7016) {
    RunReadCases(AnalogInFsr, {
                                  {"7016", 0x7016, 0, "", nullptr, TEV_MODULE_MODEL_NOT_SERVED, kUntouched},
                                  {"7018 channel 3", 0x7018, 3, ">+050.00", "#013", 0, 50.0F},
                              });
}

TEST(AnalogIn, HexReadingGoesToSlot7AndLeavesFloats) {
    struct Case {
        std::uint32_t model;
        std::string reply;
        std::uint16_t code;
        std::uint16_t slot7;
    };
    const Case cases[] = {
        {0x7012, ">7FFF", 0, 0x7FFF},
        {0x7017, ">0A1B", 0, 0x0A1B},
        {0x7012, ">12", TEV_MODULE_INVALID_REPLY, 99}, // too short: never read past the text
        {0x7016, ">7FFF", TEV_MODULE_MODEL_NOT_SERVED, 99},
        {0x7012, ">-0000", TEV_MODULE_BELOW_RANGE, 99},
    };
    for (bool checksum : {false, true}) {
        for (const Case& c : cases) {
            WordFrame fr(c.model, checksum);
            fr.w[7] = 99;
            Fake().answer(Framed(c.reply, checksum));
            EXPECT_EQ(fr(AnalogInHex), c.code) << c.reply;
            EXPECT_EQ(fr.w[7], c.slot7) << c.reply;
            EXPECT_FLOAT_EQ(fr.f[0], kUntouched);
        }
    }
}

TEST(AnalogIn, Thermocouple7011) {
    for (bool checksum : {false, true}) {
        WordFrame fr(0x7011, checksum);
        Fake().answer(Framed("!011", checksum));
        EXPECT_EQ(fr(ThermocoupleOpen_7011), 0);
        EXPECT_EQ(Fake().sent.at(0).command, "$01B");
        EXPECT_EQ(fr.w[5], 1);
    }
    WordFrame other(0x7012);
    EXPECT_EQ(other(ThermocoupleOpen_7011), TEV_MODULE_MODEL_NOT_SERVED);
}

TEST(AnalogIn8K, Readings) {
    RunReadCases(
        AnalogIn_8K,
        {
            {"8017 channel 5", 0x8017, 5, ">+01.5000", "#01S3C5", 0, 1.5F},
            {"8033 uses $", 0x8033, 3, ">+02.000", "$01S3C3", 0, 2.0F},
            {"8013 channel 4", 0x8013, 4, "", nullptr, TEV_MODULE_CHANNEL_OUT_OF_RANGE, kUntouched},
            {"8017 channel 8", 0x8017, 8, "", nullptr, TEV_MODULE_CHANNEL_OUT_OF_RANGE, kUntouched},
            {"7017 not a card", 0x7017, 0, "", nullptr, TEV_MODULE_MODEL_NOT_SERVED, kUntouched},
            {"below range has 7 characters", 0x8017, 0, ">-0000 ", "#01S3C0", TEV_MODULE_BELOW_RANGE, 0.0F},
            {"below range as the card sends it", 0x8017, 0, ">-0000", "#01S3C0", TEV_MODULE_BELOW_RANGE, 0.0F},
        },
        3);
    RunReadCases(AnalogInFsr_8K, {{"8033", 0x8033, 0, "", nullptr, TEV_MODULE_MODEL_NOT_SERVED, kUntouched}},
                 3);
}

TEST(AnalogIn8K, HexReplacesCardSlot) {
    LongFrame fr(0x5017);
    fr.w[5] = 2;
    fr.w[7] = 4;
    Fake().answer(">1F2E");
    EXPECT_EQ(fr(AnalogInHex_8K), 0);
    EXPECT_EQ(Fake().sent.at(0).command, "#01S4C2");
    EXPECT_EQ(fr.w[7], 0x1F2Eu);
    EXPECT_FLOAT_EQ(fr.f[0], 0.0F); // the card forms clear float slot 0
}

TEST(AnalogIn87K, Readings) {
    RunReadCases(
        AnalogIn_87K,
        {
            {"87017 channel 7", 0x87017, 7, ">+01.234", "#017", 0, 1.234F},
            {"87033 uses $", 0x87033, 1, ">+03.000", "$011", 0, 3.0F},
            {"87013 channel 4", 0x87013, 4, "", nullptr, TEV_MODULE_CHANNEL_OUT_OF_RANGE, kUntouched},
            {"0x7017 is not an 87K", 0x7017, 0, "", nullptr, TEV_MODULE_MODEL_NOT_SERVED, kUntouched},
            {"above range", 0x87018, 0, ">+9999 ", "#010", TEV_MODULE_ABOVE_RANGE, 0.0F},
            {"above range as the card sends it", 0x87018, 0, ">+9999", "#010", TEV_MODULE_ABOVE_RANGE, 0.0F},
        });
    RunReadCases(AnalogInFsr_87K,
                 {{"87033", 0x87033, 0, "", nullptr, TEV_MODULE_MODEL_NOT_SERVED, kUntouched}});
    LongFrame fr(0x87013);
    Fake().answer(">00FF");
    EXPECT_EQ(fr(AnalogInHex_87K), 0);
    EXPECT_EQ(fr.w[7], 0xFFu);
}

} // namespace
} // namespace tev::iomodule::testing
