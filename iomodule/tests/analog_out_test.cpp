// Analog output commands and their read-backs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "frame.hpp"
#include <tev/tev_module.h>
#include <tev/uart.h>

namespace tev::iomodule::testing {
namespace {

struct OutCase {
    const char* name;
    std::uint32_t model;
    std::uint32_t channel; // slot 5
    float value;           // float slot 0
    const char* command;   // nullptr: nothing sent
    std::string reply;     // without checksum
    std::uint16_t code;
};

template <class Slot>
void RunOutCases(std::uint16_t (*fn)(Slot*, float*, char*, char*), std::initializer_list<OutCase> cases) {
    for (bool checksum : {false, true}) {
        for (const OutCase& c : cases) {
            Frame<Slot> fr(c.model, checksum);
            fr.w[5] = static_cast<Slot>(c.channel);
            fr.w[7] = 2; // card slot of the 8000 functions
            fr.f[0] = c.value;
            if (!c.reply.empty())
                Fake().answer(Framed(c.reply, checksum));
            EXPECT_EQ(fr(fn), c.code) << c.name << " checksum " << checksum;
            ExpectSent(fr, c.command, c.name);
        }
    }
}

TEST(AnalogOut, Forms) {
    RunOutCases(
        AnalogOut,
        {
            {"7024 channel 3", 0x7024, 3, 5.0F, "#013+05.000", ">", 0},
            {"7024 wants the bare >", 0x7024, 3, 5.0F, "#013+05.000", ">01", TEV_MODULE_INVALID_REPLY},
            {"7024 channel 4", 0x7024, 4, 5.0F, nullptr, "", TEV_MODULE_CHANNEL_OUT_OF_RANGE},
            {"7021 10.0", 0x7021, 9, 10.0F, "#0110.000", ">", 0},
            {"7021 4.5", 0x4021, 0, 4.5F, "#0104.500", ">", 0},
            {"7021 truncates", 0x8021, 0, 4.5678F, "#0104.567", ">", 0},
            {"7021 0.7 is not 0.699", 0x7021, 0, 0.7F, "#0100.700", ">", 0},
            {"7021 1.23499 is not rounded up", 0x7021, 0, 1.23499F, "#0101.234", ">", 0},
            {"7021 99.999", 0x7021, 0, 99.999F, "#0199.999", ">", 0},
            {"7021 negative", 0x7021, 0, -0.5F, nullptr, "", TEV_MODULE_BELOW_RANGE},
            {"7021 100.0", 0x7021, 0, 100.0F, nullptr, "", TEV_MODULE_ABOVE_RANGE},
            {"7021 NaN", 0x7021, 0, NAN, nullptr, "", TEV_MODULE_ABOVE_RANGE},
            {"7022 channel 2", 0x7022, 2, 12.5F, "#01212.500", ">", 0},
            {"7022 channel 3", 0x4022, 3, 12.5F, nullptr, "", TEV_MODULE_CHANNEL_OUT_OF_RANGE},
            {"7016 excitation", 0x7016, 0, 2.5F, "$017+02.500", "!01", 0},
            {"7016 wants !AA", 0x8016, 0, 2.5F, "$017+02.500", ">", TEV_MODULE_INVALID_REPLY},
            {"7016 cut to 7", 0x7016, 0, 123.4567F, "$017+123.45", "!01", 0},
            {"7017 not served", 0x7017, 0, 1.0F, nullptr, "", TEV_MODULE_MODEL_NOT_SERVED},
            {"refusal", 0x7024, 0, 1.0F, "#010+01.000", "?01", TEV_MODULE_INVALID_REPLY},
        });
}

TEST(AnalogOut, HexAndPercentage) {
    struct Case {
        std::uint32_t model;
        std::uint16_t hex;
        const char* command;
        std::uint16_t code;
    };
    const Case hexCases[] = {{0x7021, 0x123, "#01123", 0},
                             {0x8022, 0xFFF, "#01FFF", 0},
                             {0x7021, 0x1000, nullptr, TEV_MODULE_VALUE_OUT_OF_RANGE},
                             {0x7024, 0x123, nullptr, TEV_MODULE_MODEL_NOT_SERVED}};
    for (const Case& c : hexCases) {
        WordFrame fr(c.model);
        fr.w[7] = c.hex;
        Fake().answer(">");
        EXPECT_EQ(fr(AnalogOutHex), c.code);
        EXPECT_EQ(Fake().sent.empty(), c.command == nullptr);
        if (c.command) {
            EXPECT_EQ(Fake().sent.at(0).command, c.command);
        }
    }
    RunOutCases(AnalogOutFsr, {
                                  {"50 percent", 0x7021, 0, 50.0F, "#01+050.00", ">", 0},
                                  {"truncated", 0x4022, 0, 99.999F, "#01+099.99", ">", 0},
                                  {"not rounded up", 0x7021, 0, 12.34999F, "#01+012.34", ">", 0},
                                  {"999.99", 0x7021, 0, 999.99F, "#01+999.99", ">", 0},
                                  {"negative", 0x7022, 0, -1.0F, nullptr, "", TEV_MODULE_BELOW_RANGE},
                                  {"1000", 0x7022, 0, 1000.0F, nullptr, "", TEV_MODULE_ABOVE_RANGE},
                                  {"7016", 0x7016, 0, 1.0F, nullptr, "", TEV_MODULE_MODEL_NOT_SERVED},
                              });
}

struct ReadBackCase {
    const char* name;
    std::uint32_t model;
    std::uint32_t selector; // slot 5
    std::uint32_t channel;  // slot 7
    const char* command;    // nullptr: nothing sent
    std::string reply;      // without checksum; "" = timeout
    std::uint16_t code;
    float value;
};

template <class Slot>
void RunReadBackCases(std::uint16_t (*fn)(Slot*, float*, char*, char*),
                      std::initializer_list<ReadBackCase> cases) {
    for (bool checksum : {false, true}) {
        for (const ReadBackCase& c : cases) {
            Frame<Slot> fr(c.model, checksum);
            fr.w[5] = static_cast<Slot>(c.selector);
            fr.w[7] = static_cast<Slot>(c.channel);
            if (!c.reply.empty())
                Fake().answer(Framed(c.reply, checksum));
            EXPECT_EQ(fr(fn), c.code) << c.name;
            ExpectSent(fr, c.command, c.name);
            EXPECT_FLOAT_EQ(fr.f[0], c.value) << c.name << " checksum " << checksum;
        }
    }
}

TEST(AnalogOutReadBack, Forms) {
    RunReadBackCases(
        AnalogOutReadBack,
        {
            {"7016", 0x7016, 7, 9, "$016", "!01+02.500", 0, 2.5F},
            {"7021 selector 0", 0x7021, 0, 0, "$016", "!0110.000", 0, 10.0F},
            {"7021 selector 1", 0x4021, 1, 0, "$018", "!0104.000", 0, 4.0F},
            {"7021 selector 2", 0x7021, 2, 0, nullptr, "", TEV_MODULE_SELECTOR_OUT_OF_RANGE, -7.0F},
            {"7022 channel 2", 0x7022, 0, 2, "$0162", "!0112.000", 0, 12.0F},
            {"7022 channel 3", 0x7022, 0, 3, nullptr, "", TEV_MODULE_SELECTOR_OUT_OF_RANGE, -7.0F},
            {"7024 channel 2 selector 1", 0x7024, 1, 2, "$018C2", "!01-05.000", 0, -5.0F},
            {"no length check", 0x7016, 0, 0, "$016", "!01+02.5000000", 0, 2.5F},
            {"too short", 0x7016, 0, 0, "$016", "!0", TEV_MODULE_INVALID_REPLY, 0.0F},
            {"refusal", 0x7016, 0, 0, "$016", "?01", TEV_MODULE_INVALID_REPLY, 0.0F},
            {"timeout", 0x7016, 0, 0, "$016", "", UART_TIMEOUT, 0.0F},
            {"not served", 0x7017, 0, 0, nullptr, "", TEV_MODULE_MODEL_NOT_SERVED, -7.0F},
        });
}

TEST(AnalogOutReadBack, HexToSlot9Only) {
    struct Case {
        std::uint32_t model;
        std::uint16_t selector;
        std::uint16_t channel;
        std::string reply;
        std::uint16_t code;
        std::uint16_t slot9;
    };
    const Case cases[] = {
        {0x7021, 1, 0, "!01FFF", 0, 0xFFF},
        {0x7022, 0, 2, "!010A0", 0, 0x0A0},
        {0x7021, 0, 0, "!01", 0, 99},          // no digit: unchanged
        {0x7021, 0, 0, "!01ABCDE", 0, 0xBCDE}, // low 16 bits; slot 10 never written
        {0x7021, 2, 0, "!01FFF", TEV_MODULE_SELECTOR_OUT_OF_RANGE, 99},
        {0x7022, 0, 3, "!01FFF", TEV_MODULE_SELECTOR_OUT_OF_RANGE, 99},
        {0x7024, 0, 0, "!01FFF", TEV_MODULE_MODEL_NOT_SERVED, 99},
    };
    for (bool checksum : {false, true}) {
        for (const Case& c : cases) {
            WordFrame fr(c.model, checksum);
            fr.w[5] = c.selector;
            fr.w[7] = c.channel;
            fr.w[9] = 99;
            fr.w[10] = 77;
            Fake().answer(Framed(c.reply, checksum)); // the checksum characters are not digits of it
            EXPECT_EQ(fr(AnalogOutReadBackHex), c.code) << c.reply;
            EXPECT_EQ(fr.w[9], c.slot9) << c.reply << " checksum " << checksum;
            EXPECT_EQ(fr.w[10], 77);
            // Float slot 0 reads 0.0 once the exchange has been made, as after every read-back.
            EXPECT_FLOAT_EQ(fr.f[0], Fake().sent.empty() ? -7.0F : 0.0F) << c.reply;
        }
    }
}

TEST(AnalogOutCards, EightThousand) {
    RunOutCases(AnalogOut_8K,
                {
                    {"8024 channel 3", 0x8024, 3, -2.5F, "#01S2C3-02.500", ">", 0},
                    {"8022 channel 2", 0x8022, 2, 1.0F, nullptr, "", TEV_MODULE_CHANNEL_OUT_OF_RANGE},
                    {"5024 channel 4", 0x5024, 4, 1.0F, nullptr, "", TEV_MODULE_CHANNEL_OUT_OF_RANGE},
                    {"7024 not a card", 0x7024, 0, 1.0F, nullptr, "", TEV_MODULE_MODEL_NOT_SERVED},
                });
    RunReadBackCases(
        AnalogOutReadBack_8K,
        {
            {"8022 channel 1", 0x8022, 1, 2, "$01S2C16", "!01+03.000", 0, 3.0F},
            {"8022 channel 2", 0x8022, 2, 2, nullptr, "", TEV_MODULE_CHANNEL_OUT_OF_RANGE, -7.0F},
            {"refusal clears", 0x8024, 0, 2, "$01S2C06", "?01", TEV_MODULE_INVALID_REPLY, 0.0F},
        });
}

TEST(AnalogOutCards, EightySevenK) {
    RunOutCases(AnalogOut_87K,
                {
                    {"87016", 0x87016, 0, 1.0F, "$017+01.000", "!01", 0},
                    {"87021", 0x87021, 0, 20.0F, "#0120.000", ">", 0},
                    {"87026 channel 2", 0x87026, 2, 4.0F, "#01204.000", ">", 0},
                    {"87022 channel 3", 0x87022, 3, 4.0F, nullptr, "", TEV_MODULE_CHANNEL_OUT_OF_RANGE},
                    {"87024 channel 3", 0x87024, 3, -1.0F, "#013-01.000", ">", 0},
                    {"0x7024", 0x7024, 0, 1.0F, nullptr, "", TEV_MODULE_MODEL_NOT_SERVED},
                });
    RunReadBackCases(
        AnalogOutReadBack_87K,
        {
            {"87016", 0x87016, 1, 0, "$016", "!01+01.000", 0, 1.0F},
            {"87021 selector 1", 0x87021, 1, 0, "$018", "!0120.000", 0, 20.0F},
            {"87024 channel 3", 0x87024, 0, 3, "$0163", "!01+01.000", 0, 1.0F},
            {"87024 channel 4", 0x87024, 0, 4, nullptr, "", TEV_MODULE_SELECTOR_OUT_OF_RANGE, -7.0F},
        });
}

} // namespace
} // namespace tev::iomodule::testing
