// The call frame every command function shares: address, trace copies, checksum lengths, refusals.
#include <gtest/gtest.h>

#include <algorithm>

#include "frame.hpp"
#include <tev/tev_module.h>
#include <tev/uart.h>

namespace tev::iomodule::testing {
namespace {

TEST(CallFrame, AddressPortAndTimeoutPassThrough) {
    WordFrame fr(0x7012);
    fr.w[1] = 0xA0;
    fr.w[0] = 5;
    fr.w[4] = 1234;
    Fake().answer(">+001.50");
    EXPECT_EQ(fr(AnalogIn), 0);
    ASSERT_EQ(Fake().sent.size(), 1u);
    EXPECT_EQ(Fake().sent[0].command, "#A0");
    EXPECT_EQ(Fake().sent[0].port, 5);
    EXPECT_EQ(Fake().sent[0].timeout, 1234);
    EXPECT_FLOAT_EQ(fr.f[0], 1.5F);
}

// Only the low 8 bits of the port and the address count; the model is checked before anything else.
TEST(CallFrame, PortAndAddressAreTheirSlotsLowEightBits) {
    struct Case {
        const char* name;
        std::uint32_t port;
        std::uint32_t address;
        std::uint32_t model; // of the 7000 module; the cards use their own served models
        std::uint16_t code;
        std::uint8_t sentPort; // 0xFF: nothing sent
        const char* address2;  // the two address digits sent
    };
    const Case cases[] = {
        {"address 0x1A0", 3, 0x1A0, 0x7012, 0, 3, "A0"},
        {"port 0x105", 0x105, 1, 0x7012, 0, 5, "01"},
        {"port 0 goes to the line", 0, 1, 0x7012, UART_NOT_OPEN, 0, "01"},
        {"unserved model before the address", 3, 0x1A0, 0x7099, TEV_MODULE_MODEL_NOT_SERVED, 0xFF, ""},
    };
    for (const Case& c : cases) {
        WordFrame word(static_cast<std::uint16_t>(c.model));
        LongFrame card(c.model == 0x7012 ? 0x8017 : 0x8099), card87(c.model == 0x7012 ? 0x87017 : 0x87099);
        word.w[0] = static_cast<std::uint16_t>(c.port);
        word.w[1] = static_cast<std::uint16_t>(c.address);
        for (LongFrame* fr : {&card, &card87}) {
            fr->w[0] = c.port | 0x10000; // the cards read the low 16 bits first
            fr->w[1] = c.address | 0x20000;
        }
        const auto check = [&](auto& fr, auto fn, const std::string& command) {
            Fake().reset();
            Fake().answer(">+01.000", c.code == TEV_MODULE_MODEL_NOT_SERVED ? 0 : c.code);
            EXPECT_EQ(fr(fn), c.code) << c.name << " " << command;
            if (c.sentPort == 0xFF) {
                EXPECT_TRUE(Fake().sent.empty()) << c.name;
                return;
            }
            ASSERT_EQ(Fake().sent.size(), 1u) << c.name;
            EXPECT_EQ(Fake().sent[0].port, c.sentPort) << c.name;
            EXPECT_EQ(Fake().sent[0].command, command) << c.name;
        };
        check(word, AnalogIn, std::string("#") + c.address2);
        check(card, AnalogIn_8K, std::string("#") + c.address2 + "S0C0");
        check(card87, AnalogIn_87K, std::string("#") + c.address2 + "0");
    }
}

TEST(CallFrame, AReplyHoldingANulIsInvalid) {
    // Cut at the NUL it would read as the valid short number +0.
    WordFrame fr(0x7012);
    fr.f[0] = 7.0F;
    Fake().answer(std::string(">+0\0"
                              "1.015",
                              9));
    EXPECT_EQ(fr(AnalogIn), TEV_MODULE_INVALID_REPLY);
    EXPECT_FLOAT_EQ(fr.f[0], 0.0F);
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
        {0, WithChecksum("!011"), 12},
        {1, WithChecksum("!011"), 0},
        {1, "!011", 12},
        {5, WithChecksum("!011"), 0}, // any non-zero flag is on
    };
    for (const Case& c : cases) {
        WordFrame fr(0x7011);
        fr.w[3] = c.flag;
        Fake().answer(c.reply);
        EXPECT_EQ(fr(ThermocoupleOpen_7011), c.code) << c.reply << " flag " << c.flag;
        EXPECT_EQ(Fake().sent.at(0).checksum, c.flag);
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
        Fake().answer(c.reply, c.status);
        EXPECT_EQ(fr(AnalogIn), c.status);
        EXPECT_EQ(fr.commandTrace(), c.commandTrace);
        EXPECT_EQ(fr.replyTrace(), c.replyTrace);
    }
}

TEST(CallFrame, RefusalsSendNothingAndLeaveTracesAlone) {
    WordFrame fr(0x7099);
    EXPECT_EQ(fr(AnalogIn), TEV_MODULE_MODEL_NOT_SERVED);
    EXPECT_TRUE(Fake().sent.empty());
    EXPECT_TRUE(fr.tracesUntouched());
    EXPECT_FLOAT_EQ(fr.f[0], -7.0F);
}

TEST(CallFrame, NullBlocksRefused) {
    Fake().reset();
    float f[8] = {};
    char c[100] = "";
    EXPECT_EQ(AnalogIn(nullptr, f, c, c), TEV_MODULE_NULL_ARGUMENT);
    std::uint16_t w[12] = {1, 1, 0x7012, 0, 100, 0, 1};
    EXPECT_EQ(AnalogIn(w, nullptr, c, c), TEV_MODULE_NULL_ARGUMENT);
    EXPECT_EQ(AnalogInAllHex(w, nullptr, c, c), TEV_MODULE_NULL_ARGUMENT);
    EXPECT_TRUE(Fake().sent.empty());
    // NULL trace buffers are allowed: no copies.
    Fake().answer(">+002.00");
    EXPECT_EQ(AnalogIn(w, f, nullptr, nullptr), 0);
    EXPECT_FLOAT_EQ(f[0], 2.0F);
    // Functions whose results are all integers take no float block.
    w[2] = 0x7021;
    Fake().answer("!01FFF");
    EXPECT_EQ(AnalogOutReadBackHex(w, nullptr, c, c), 0);
    EXPECT_EQ(w[9], 0xFFF);
    w[2] = 0x7012;
    Fake().answer(">0A1B");
    EXPECT_EQ(AnalogInHex(w, nullptr, c, c), 0);
    EXPECT_EQ(w[7], 0x0A1B);
}

TEST(CallFrame, OverlongReplyIsBoundedToTheBuffer) {
    WordFrame fr(0x7012);
    Fake().answer(">" + std::string(200, '1'));
    EXPECT_EQ(fr(AnalogIn), 0);
    EXPECT_LT(fr.replyTrace().size(), 80u);
}

TEST(CallFrame, CardSlotsReadLowSixteenBitsAnd87KModelWhole) {
    LongFrame fr(0x87017);
    fr.w[1] = 0x02;
    fr.w[5] = 0x10003; // channel: low 16 bits = 3
    Fake().answer(">+01.000");
    EXPECT_EQ(fr(AnalogIn_87K), 0);
    EXPECT_EQ(Fake().sent.at(0).command, "#023");
}

// Every character of a number or hex field must belong to it: a reply with a stray character in a
// field is invalid (12) and stores nothing, whatever the checksum flag.
template <class Slot> struct FieldCase {
    typename Frame<Slot>::Function fn;
    std::uint32_t model;
    std::string good; // a reply the function takes (without checksum)
    std::string bad;  // the same reply with one field corrupted
};

template <class Slot> void RunFieldCases(std::initializer_list<FieldCase<Slot>> cases) {
    for (bool checksum : {false, true}) {
        for (const FieldCase<Slot>& c : cases) {
            for (const std::string* reply : {&c.good, &c.bad}) {
                Frame<Slot> fr(c.model, checksum);
                fr.w[8] = fr.w[9] = fr.w[10] = 99;
                const auto before = fr.w;
                Fake().answer(Framed(*reply, checksum));
                const std::uint16_t code = fr(c.fn);
                EXPECT_EQ(code, reply == &c.good ? 0 : TEV_MODULE_INVALID_REPLY) << *reply << " " << checksum;
                if (reply == &c.bad) { // result slots 7-10 keep their values
                    EXPECT_TRUE(std::equal(&fr.w[7], &fr.w[11], &before[7])) << *reply;
                }
            }
        }
    }
}

TEST(CallFrame, CorruptFieldsAreInvalidReplies) {
    const std::string scan = std::string(">") + "+01.234-05.678+00.000+01.000+02.000+03.000+04.000";
    RunFieldCases<std::uint16_t>({
        {AnalogIn, 0x7012, ">+01.01", ">+01.01n"},
        {AnalogIn, 0x7012, ">+01.01", ">"},
        {AnalogInHex, 0x7012, ">7FFF", ">7FFf"},
        {ThermocoupleOpen_7011, 0x7011, "!011", "!01x"},
        {AnalogInAll, 0x7017, scan + "+05.000", scan + "+05.0x0"},
        {In8_7017, 8, ">" + std::string(28, '7') + "7FFF", ">" + std::string(28, '7') + "7FFG"},
        {AnalogOutReadBack, 0x7016, "!01+05.000", "!01+05.00x"},
        {AnalogOutReadBackHex, 0x7021, "!01FFF", "!01FFG"},
        {DigitalIn, 0x7050, "!0F0F00", "!0F0j00"},
        {DigitalInCounterRead, 0x7044, "!0100123", "!0100x23"},
        {ReadEventCounter, 0x7012, "!0100123", "!01001a3"},
        {ReadSafeValueForDo, 0x7042, "!000F0F", "!000F0j"},
        {CounterIn_7080, 0x7080, ">0001E240", ">0001E24g"},
        {ReadMinSignalWidth_7080, 0x7080, "!0112345", "!01123x5"},
        {ReadAlarmLimitValue, 0x7012, "!01+01.500", "!01+01.5z0"},
        {ReadOutputAlarmState, 0x7012, "!0110100", "!011:100"},
        {ReadConfigStatus, 0x7012, "!01400600", "!014006G0"},
        {ToReadHostWatchdog, 0x7012, "!011FF", "!011FZ"},
        {ReadSourceValueOfLM, 0x7014, "!01+01.000+02.000", "!01+01.000+0x.000"},
    });
    RunFieldCases<std::uint32_t>({
        {AnalogIn_8K, 0x8017, ">+01.01", ">+01.01n"},
        {ReadConfigurationStatus_8K, 0x8024, "!000F0F", "!000F0j"},
        {DigitalIn_8K, 0x8051, "!0100FF00", "!01G0FF00"},
        {ReadStartUpValue_8K, 0x8024, "!01+5.000", "!01+5.00x"},
        {ReadAlarmLimitValue_8K, 0x8017, "!01+01.500", "!01+01.5z0"},
        {AnalogInAll_87K, 0x87017, scan + "+05.000", scan + "+0?.000"},
        {DigitalInCounterRead_87K, 0x87051, "!0100123", "!01-0-23"},
    });
}

} // namespace
} // namespace tev::iomodule::testing
