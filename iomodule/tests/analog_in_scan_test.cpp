// All-channel analog input scans.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "frame.hpp"
#include <tev/tev_module.h>
#include <tev/uart.h>

namespace tev::iomodule::testing {
namespace {

const std::string kEight = ">+01.234+02.000-03.500+00.000+10.000-10.000+00.001+05.500"; // 57 characters
const float kEightValues[] = {1.234F, 2.0F, -3.5F, 0.0F, 10.0F, -10.0F, 0.001F, 5.5F};

TEST(AnalogInAll, EightChannels) {
    for (bool checksum : {false, true}) {
        WordFrame fr(0x7017, checksum);
        Fake().answer(Framed(kEight, checksum));
        EXPECT_EQ(fr(AnalogInAll), 0);
        EXPECT_EQ(Fake().commands(), std::vector<std::string>{"#01"});
        for (int k = 0; k < 8; ++k)
            EXPECT_FLOAT_EQ(fr.f[k], kEightValues[k]) << k;
    }
}

TEST(AnalogInAll, FailedScanClearsTheFloats) {
    struct Case {
        std::string reply;
        std::uint16_t status;
        std::uint16_t code;
    };
    const Case cases[] = {
        {kEight.substr(0, 56), 0, TEV_MODULE_INVALID_REPLY},
        {"?01", 0, TEV_MODULE_INVALID_REPLY},
        {"", UART_TIMEOUT, UART_TIMEOUT},
    };
    for (const Case& c : cases) {
        WordFrame fr(0x4018);
        Fake().answer(c.reply, c.status);
        EXPECT_EQ(fr(AnalogInAll), c.code) << c.reply;
        for (int k = 0; k < 7; ++k)
            EXPECT_FLOAT_EQ(fr.f[k], 0.0F) << k;
        EXPECT_FLOAT_EQ(fr.f[7], -7.0F); // seven slots are cleared, not eight
    }
    WordFrame other(0x7012);
    EXPECT_EQ(other(AnalogInAll), TEV_MODULE_MODEL_NOT_SERVED);
    EXPECT_TRUE(Fake().sent.empty());
}

TEST(AnalogInAll, ThreeChannelModelReadsEachChannel) {
    for (std::uint32_t model : {0x4033u, 0x8033u}) { // the per-channel reading does not serve them
        WordFrame fr(model);
        EXPECT_EQ(fr(AnalogInAll), TEV_MODULE_MODEL_NOT_SERVED);
        EXPECT_TRUE(Fake().sent.empty());
        EXPECT_TRUE(fr.tracesUntouched());
    }
    {
        const std::uint32_t model = 0x7033;
        WordFrame fr(model);
        Fake().answer(">+01.000+02.000+03.000"); // 22 characters; its values are not used
        Fake().answer(">+10.000");
        Fake().answer(">+20.000");
        Fake().answer(">+30.000");
        EXPECT_EQ(fr(AnalogInAll), 0) << std::hex << model;
        EXPECT_EQ(Fake().commands(), (std::vector<std::string>{"#01", "#010", "#011", "#012"}));
        EXPECT_FLOAT_EQ(fr.f[0], 10.0F);
        EXPECT_FLOAT_EQ(fr.f[1], 20.0F);
        EXPECT_FLOAT_EQ(fr.f[2], 30.0F);
        EXPECT_FLOAT_EQ(fr.f[6], 0.0F);  // slots 0-6 cleared
        EXPECT_FLOAT_EQ(fr.f[7], -7.0F); // slot 7 is not the 3-channel scan's
        EXPECT_EQ(fr.w[5], 2);
        EXPECT_EQ(fr.commandTrace(), "#012");
        EXPECT_EQ(fr.replyTrace(), ">+30.000");
    }
}

TEST(AnalogInAll, ThreeChannelFailureIsReported) {
    WordFrame fr(0x7033);
    Fake().answer(">+01.000+02.000+03.000");
    Fake().answer(">+10.000");
    Fake().answer("?01");
    Fake().answer(">+30.000");
    EXPECT_EQ(fr(AnalogInAll), TEV_MODULE_INVALID_REPLY);
    EXPECT_FLOAT_EQ(fr.f[0], 10.0F);
    EXPECT_FLOAT_EQ(fr.f[1], 0.0F);
    EXPECT_FLOAT_EQ(fr.f[2], 30.0F);
}

TEST(AnalogIn8, TracesOnlyAfterGoodExchangeAndNoClearing) {
    WordFrame fr(0x7018);
    fr.w[6] = 2; // any non-zero value traces
    Fake().answer(kEight);
    EXPECT_EQ(fr(AnalogIn8), 0);
    EXPECT_EQ(fr.commandTrace(), "#01");
    EXPECT_EQ(fr.replyTrace(), kEight);
    EXPECT_FLOAT_EQ(fr.f[7], 5.5F);

    WordFrame failed(0x7017);
    Fake().answer("", UART_TIMEOUT);
    EXPECT_EQ(failed(AnalogIn8), UART_TIMEOUT);
    EXPECT_TRUE(failed.tracesUntouched());
    EXPECT_FLOAT_EQ(failed.f[0], -7.0F);

    WordFrame shortReply(0x7017);
    Fake().answer(kEight.substr(0, 50));
    EXPECT_EQ(shortReply(AnalogIn8), TEV_MODULE_INVALID_REPLY);
    EXPECT_FLOAT_EQ(shortReply.f[0], -7.0F);
}

TEST(In8_7017, ScalesHexFields) {
    struct Case {
        std::uint32_t range;
        std::string fields; // 8 x 4 hex digits
        std::uint16_t code;
        float first;
        float second;
    };
    const Case cases[] = {
        {8, "7FFF8000FFFF000000000000000000000", 0, 10.0F, -10.0F},
        {13, "7FFF8000FFFF00000000000000000000", 0, 20.0F, -20.0F},
        {11, "3FFF0000000000000000000000000000", 0, 16383.0F / 32767.0F * 500.0F, 0.0F},
        {8, "7FFF", TEV_MODULE_INVALID_REPLY, 0.0F, 0.0F},
        {7, "7FFF8000FFFF00000000000000000000", TEV_MODULE_MODEL_NOT_SERVED, -7.0F, -7.0F},
    };
    for (bool checksum : {false, true}) {
        for (const Case& c : cases) {
            WordFrame fr(c.range, checksum);
            std::string reply = ">" + c.fields;
            if (reply.size() > 33)
                reply.resize(33);
            Fake().answer(Framed(reply, checksum));
            EXPECT_EQ(fr(In8_7017), c.code) << c.range << " " << c.fields;
            EXPECT_FLOAT_EQ(fr.f[0], c.first);
            EXPECT_FLOAT_EQ(fr.f[1], c.second);
            if (c.code != 0) {
                EXPECT_FLOAT_EQ(fr.f[7], -7.0F); // a failed scan clears slots 0-6 only
            }
            if (c.code == 0) {
                EXPECT_EQ(Fake().sent.at(0).command, "$01A");
                if (c.fields.substr(8, 4) == "FFFF") {
                    EXPECT_TRUE(std::signbit(fr.f[2])); // -0.0
                }
            }
        }
    }
}

TEST(AnalogInAllHex, CutsTextFields) {
    struct Case {
        std::string reply;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {">+01.234-05.678", {"+01.234", "-05.678"}},
        {">0A1B7FFF", {"0A1B", "7FFF"}},
        {">0A1B7F", {"0A1B"}}, // only whole hex fields
        {"?0123", {"0123"}},   // neither first character nor length is examined
    };
    for (const std::uint16_t flag : {std::uint16_t{0}, std::uint16_t{1}, std::uint16_t{2}}) {
        for (const Case& c : cases) {
            WordFrame fr(0x1234); // no model check
            fr.w[3] = flag;
            char texts[8 * 100] = {};
            Fake().answer(Framed(c.reply, flag != 0));
            EXPECT_EQ(AnalogInAllHex(fr.w.data(), texts, fr.command.data(), fr.reply.data()), 0);
            for (std::size_t k = 0; k < c.fields.size(); ++k)
                EXPECT_STREQ(texts + 100 * k, c.fields[k].c_str());
            EXPECT_STREQ(texts + 100 * c.fields.size(), "");
            EXPECT_EQ(fr.commandTrace(), "untouched"); // never written
            EXPECT_EQ(fr.replyTrace(), Framed(c.reply, flag != 0));
        }
    }
    WordFrame fr(0x7017);
    char texts[100] = "x";
    Fake().answer("", UART_TIMEOUT);
    EXPECT_EQ(AnalogInAllHex(fr.w.data(), texts, fr.command.data(), fr.reply.data()), UART_TIMEOUT);
    EXPECT_EQ(fr.replyTrace(), ""); // emptied before the exchange
}

TEST(AnalogInAllHex, AGarbledReplyFillsNoMoreThanTheFieldLimit) {
    WordFrame fr(0x7017);
    std::vector<char> texts((TEV_MODULE_HEX_TEXT_FIELDS + 1) * 100, 'x');
    Fake().answer(">" + std::string(78, '+')); // 78 one-character "fields"
    EXPECT_EQ(AnalogInAllHex(fr.w.data(), texts.data(), fr.command.data(), fr.reply.data()), 0);
    EXPECT_STREQ(texts.data() + 100 * (TEV_MODULE_HEX_TEXT_FIELDS - 1), "+");
    EXPECT_EQ(texts[100 * TEV_MODULE_HEX_TEXT_FIELDS], 'x'); // nothing past the limit
}

TEST(AnalogInAllCards, AcceptFirstCharacterOrLength) {
    struct Case {
        std::string reply;
        std::uint16_t code;
    };
    const std::string four = ">+01.000+02.000+03.000+04.000"; // 29 characters
    const Case cases87K[] = {
        {four, 0},
        {"!" + four.substr(1), 0},              // right length, wrong first character
        {">+01.000", TEV_MODULE_INVALID_REPLY}, // '>' but the fields are not there
        {"!+01.000", TEV_MODULE_INVALID_REPLY}, // both wrong
    };
    for (bool checksum : {false, true}) {
        for (const Case& c : cases87K) {
            LongFrame fr(0x87013, checksum);
            Fake().answer(Framed(c.reply, checksum));
            EXPECT_EQ(fr(AnalogInAll_87K), c.code) << c.reply;
            EXPECT_EQ(Fake().sent.at(0).command, "#01");
            if (c.code == 0) {
                EXPECT_FLOAT_EQ(fr.f[3], 4.0F);
            }
        }
    }
    LongFrame card(0x8013);
    card.w[7] = 0xB;
    Fake().answer(four + " ");
    EXPECT_EQ(card(AnalogInAll_8K), 0);
    EXPECT_EQ(Fake().sent.at(0).command, "#01SB");
    EXPECT_FLOAT_EQ(card.f[2], 3.0F);

    LongFrame failed(0x8017);
    failed.w[6] = 3;
    Fake().answer("", UART_TIMEOUT);
    EXPECT_EQ(failed(AnalogInAll_8K), UART_TIMEOUT);
    EXPECT_TRUE(failed.tracesUntouched()); // the 8000 scan copies only after a good exchange
    LongFrame failed87(0x87017);
    failed87.w[6] = 3;
    Fake().answer("", UART_TIMEOUT);
    EXPECT_EQ(failed87(AnalogInAll_87K), UART_TIMEOUT);
    EXPECT_EQ(failed87.commandTrace(), "#01"); // the 87K scan copies whatever the status
}

} // namespace
} // namespace tev::iomodule::testing
