// Digital outputs and inputs of I-7000 modules: port and bit writes, read-backs, inputs, counters
// and latches.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "frame.hpp"
#include <tev/tev_module.h>
#include <tev/uart.h>

namespace tev::iomodule::testing {
namespace {

using SlotValues = std::vector<std::pair<std::size_t, std::uint32_t>>;

template <class Slot> struct Case {
    const char* name;
    std::uint16_t (*fn)(Slot*, float*, char*, char*);
    std::uint32_t model;
    SlotValues args;     // slots set before the call
    std::string reply;   // without checksum; "" = no answer
    const char* command; // nullptr: nothing may be sent and the traces stay untouched
    std::uint16_t code;
    SlotValues results = {}; // slots expected afterwards
};

// Runs every case with the checksum flag off and on.
template <class Slot> void RunCases(std::initializer_list<Case<Slot>> cases) {
    for (bool checksum : {false, true}) {
        for (const Case<Slot>& c : cases) {
            Frame<Slot> fr(c.model, checksum);
            fr.w[7] = 2; // the card slot of the _8K functions, unless a case sets slot 7
            for (const auto& [slot, value] : c.args)
                fr.w[slot] = static_cast<Slot>(value);
            if (!c.reply.empty())
                Fake().answer(Framed(c.reply, checksum));
            const std::string where = std::string(c.name) + (checksum ? " (checksum)" : "");
            EXPECT_EQ(fr(c.fn), c.code) << where;
            if (c.command) {
                EXPECT_EQ(Fake().commands(), std::vector<std::string>{c.command}) << where;
                EXPECT_EQ(fr.commandTrace(), c.command) << where;
            } else {
                EXPECT_TRUE(Fake().sent.empty()) << where;
                EXPECT_TRUE(fr.tracesUntouched()) << where;
            }
            for (const auto& [slot, value] : c.results)
                EXPECT_EQ(fr.w[slot], static_cast<Slot>(value)) << where << " slot " << slot;
        }
    }
}

using W = Case<std::uint16_t>;
constexpr std::uint16_t kValue = TEV_MODULE_VALUE_OUT_OF_RANGE;
constexpr std::uint16_t kModel = TEV_MODULE_MODEL_NOT_SERVED;
constexpr std::uint16_t kInvalid = TEV_MODULE_INVALID_REPLY;

TEST(DigitalOut, PortValueIsMaskedToTheModelsOutputs) {
    RunCases<std::uint16_t>({
        {"7060 0x1F", DigitalOut, 0x7060, {{5, 0x1F}}, ">", "@01F", 0},
        {"7063 0xF", DigitalOut, 0x7063, {{5, 0xF}}, ">", "@017", 0},
        {"7042 0xFFFF", DigitalOut, 0x7042, {{5, 0xFFFF}}, ">", "@011FFF", 0},
        {"7042 0x1FFF", DigitalOut, 0x7042, {{5, 0x1FFF}}, ">", "@011FFF", 0},
        {"7043 whole", DigitalOut, 0x7043, {{5, 0xA5C3}}, ">", "@01A5C3", 0},
        {"7065 0xFF", DigitalOut, 0x7065, {{5, 0xFF}}, ">", "@011F", 0},
        {"7066 0xFF", DigitalOut, 0x7066, {{5, 0xFF}}, ">", "@017F", 0},
        {"7044 0x1A5", DigitalOut, 0x7044, {{5, 0x1A5}}, ">", "@01A5", 0},
        {"refused", DigitalOut, 0x7044, {{5, 1}}, "?01", "@0101", kInvalid},
        {"acknowledge is not the output reply", DigitalOut, 0x7044, {{5, 1}}, "!01", "@0101", kInvalid},
        {"7068 not served", DigitalOut, 0x7068, {{5, 1}}, "", nullptr, kModel},
        {"4044 not served", DigitalOut, 0x4044, {{5, 1}}, "", nullptr, kModel},
        {"7012 value 3", DigitalOut, 0x7012, {{5, 3}}, "!01", "@01DO03", 0},
        {"7012 value 4", DigitalOut, 0x7012, {{5, 4}}, "", nullptr, kValue},
        {"7080 wants !AA", DigitalOut, 0x7080, {{5, 2}}, ">", "@01DO02", kInvalid},
        {"7016 channel 3 on", DigitalOut_7016, 0x7016, {{5, 3}, {7, 5}}, "!01", "@01DO13", 0},
        {"7016 channel 0 off", DigitalOut_7016, 0x7016, {{5, 0}, {7, 0}}, "!01", "@01DO00", 0},
        {"7016 channel 4", DigitalOut_7016, 0x7016, {{5, 4}}, "", nullptr, kValue},
        {"7016 only", DigitalOut_7016, 0x7012, {{5, 0}}, "", nullptr, kModel},
    });
}

TEST(DigitalBitOut, BitGroupsLimitsAndTwins) {
    RunCases<std::uint16_t>({
        {"7043 bit 9 on", DigitalBitOut, 0x7043, {{7, 9}, {8, 1}}, ">", "#01B101", 0},
        {"7043 bit 7", DigitalBitOut, 0x7043, {{7, 7}, {8, 0}}, ">", "#01A700", 0},
        {"7042 bit 12", DigitalBitOut, 0x7042, {{7, 12}, {8, 1}}, ">", "#01B401", 0},
        {"7042 bit 13", DigitalBitOut, 0x7042, {{7, 13}, {8, 1}}, "", nullptr, kValue},
        {"8043 twin", DigitalBitOut, 0x8043, {{7, 8}, {8, 1}}, ">", "#01B001", 0},
        {"7044 bit 3 off", DigitalBitOut, 0x7044, {{7, 3}, {8, 0}}, ">", "#011300", 0},
        {"4044 bit 8", DigitalBitOut, 0x4044, {{7, 8}, {8, 0}}, "", nullptr, kValue},
        {"7063 bit 3", DigitalBitOut, 0x7063, {{7, 3}, {8, 0}}, "", nullptr, kValue},
        {"7068 bit 8", DigitalBitOut, 0x7068, {{7, 8}, {8, 1}}, ">", "#011801", 0},
        {"state 2 before the model", DigitalBitOut, 0x1234, {{7, 0}, {8, 2}}, "", nullptr, kValue},
        {"unknown model", DigitalBitOut, 0x7041, {{7, 0}, {8, 1}}, "", nullptr, kModel},
        {"timeout", DigitalBitOut, 0x7044, {{7, 0}, {8, 1}}, "", "#011001", UART_TIMEOUT},
    });
}

TEST(DigitalInput, ReadBackAndInputsClearSlot5AfterTheExchange) {
    RunCases<std::uint16_t>({
        {"7042 read-back", DigitalOutReadBack, 0x7042, {{5, 9}}, "!1FFF00", "$016", 0, {{5, 0x1FFF}}},
        {"7044 read-back", DigitalOutReadBack, 0x7044, {{5, 9}}, "!A50F00", "$016", 0, {{5, 0xA5}}},
        // The modules send upper-case hex digits; any other character makes the reply invalid.
        {"7044 lower case", DigitalOutReadBack, 0x7044, {{5, 9}}, "!a50F00", "$016", kInvalid, {{5, 0}}},
        {"short reply", DigitalOutReadBack, 0x7044, {{5, 9}}, "!A50F0", "$016", kInvalid, {{5, 0}}},
        {"refusal", DigitalOutReadBack, 0x7044, {{5, 9}}, "?01", "$016", kInvalid, {{5, 0}}},
        {"timeout", DigitalOutReadBack, 0x7044, {{5, 9}}, "", "$016", UART_TIMEOUT, {{5, 0}}},
        {"7041 has no outputs", DigitalOutReadBack, 0x7041, {{5, 9}}, "", nullptr, kModel, {{5, 9}}},
        {"7053 inputs", DigitalIn, 0x7053, {{5, 9}}, "!ABCD00", "$016", 0, {{5, 0xABCD}}},
        {"4052 twin", DigitalIn, 0x4052, {{5, 9}}, "!00FF00", "$016", 0, {{5, 0x00FF}}},
        {"7012 analog form", DigitalIn, 0x7012, {{5, 9}}, "!010000F", "@01DI", 0, {{5, 0xF}}},
        {"7014 lower-case digit", DigitalIn, 0x7014, {{5, 9}}, "!010000a", "@01DI", kInvalid, {{5, 0}}},
        {"8016 analog twin", DigitalIn, 0x8016, {{5, 9}}, "!0100003", "@01DI", 0, {{5, 3}}},
        {"analog form length", DigitalIn, 0x7012, {{5, 9}}, "!0100003F", "@01DI", kInvalid, {{5, 0}}},
        {"DIO form length", DigitalIn, 0x7053, {{5, 9}}, "!ABCD000", "$016", kInvalid, {{5, 0}}},
        {"7013 not served", DigitalIn, 0x7013, {{5, 9}}, "", nullptr, kModel, {{5, 9}}},
    });
}

TEST(DigitalInput, CountersTakeOneHexDigitChannel) {
    RunCases<std::uint16_t>({
        {"7041 channel 13", DigitalInCounterRead, 0x7041, {{5, 13}}, "!0112345", "#01D", 0, {{7, 12345}}},
        {"7041 70000", DigitalInCounterRead, 0x7041, {{5, 0}}, "!0170000", "#010", 0, {{7, 4464}}},
        {"7041 -12", DigitalInCounterRead, 0x7041, {{5, 0}}, "!01-0012", "#010", 0, {{7, 0xFFF4}}},
        {"7041 channel 14", DigitalInCounterRead, 0x7041, {{5, 14}}, "", nullptr, 24},
        {"7053 channel 15", DigitalInCounterRead, 0x7053, {{5, 15}, {7, 5}}, "!0100007", "#01F", 0, {{7, 7}}},
        {"7063 channel 8", DigitalInCounterRead, 0x7063, {{5, 8}}, "", nullptr, 24},
        {"7042 has no counters", DigitalInCounterRead, 0x7042, {{5, 0}}, "", nullptr, kModel},
        {"wrong length keeps slot 7",
         DigitalInCounterRead,
         0x7044,
         {{5, 0}, {7, 5}},
         "!011234",
         "#010",
         kInvalid,
         {{7, 5}}},
        {"clear 7050 channel 6", ClearDigitalInCounter, 0x7050, {{5, 6}}, "!01", "$01C6", 0},
        {"clear 7050 channel 7", ClearDigitalInCounter, 0x7050, {{5, 7}}, "", nullptr, 24},
    });
}

TEST(DigitalInput, LatchesTakeTheModelsFieldAndMask) {
    RunCases<std::uint16_t>({
        {"7041 low latch", DigitalInLatch, 0x7041, {{5, 0}}, "!FFFF00", "$01L0", 0, {{7, 0x3FFF}}},
        {"7050 high latch", DigitalInLatch, 0x7050, {{5, 3}}, "!00FF00", "$01L1", 0, {{7, 0x7F}}},
        {"7063 positions 3-4", DigitalInLatch, 0x7063, {{5, 1}}, "!12AB00", "$01L1", 0, {{7, 0xAB}}},
        {"7052 positions 1-2", DigitalInLatch, 0x7052, {{5, 1}}, "!AB0000", "$01L1", 0, {{7, 0xAB}}},
        {"7044 mask", DigitalInLatch, 0x7044, {{5, 1}}, "!00FF00", "$01L1", 0, {{7, 0xF}}},
        {"7042 has no latches", DigitalInLatch, 0x7042, {{5, 1}, {7, 5}}, "", nullptr, kModel, {{7, 5}}},
        {"failure keeps slot 7",
         DigitalInLatch,
         0x7053,
         {{5, 1}, {7, 5}},
         "?01",
         "$01L1",
         kInvalid,
         {{7, 5}}},
        {"clear any model", ClearDigitalInLatch, 0x1234, {}, "!01", "$01C", 0},
        {"clear wants !AA", ClearDigitalInLatch, 0x7041, {}, "!0", "$01C", kInvalid},
    });
}

using L = Case<std::uint32_t>;
constexpr std::uint16_t kBit = TEV_MODULE_CHANNEL_OUT_OF_RANGE;

TEST(DigitalCards, PortWrites8K) {
    RunCases<std::uint32_t>({
        {"8054 masked", DigitalOut_8K, 0x8054, {{5, 0x1FF}}, ">", "#01S200FF", 0},
        {"8056 low 16 bits", DigitalOut_8K, 0x8056, {{5, 0x12345}}, ">", "#01S2002345", 0},
        {"8060 0x3F", DigitalOut_8K, 0x8060, {{5, 0xFF}}, ">", "#01S2003F", 0},
        {"8063 zero and a digit", DigitalOut_8K, 0x8063, {{5, 0xFF}}, ">", "#01S2000F", 0},
        {"5068", DigitalOut_8K, 0x5068, {{5, 0x81}, {7, 6}}, ">", "#01S60081", 0},
        {"8042 four digits", DigitalOut_8K, 0x8042, {{5, 0x12345}}, ">", "@01S22345", 0},
        {"8041 whole slot", DigitalOut_8K, 0x8041, {{5, 0x89ABCDEF}}, ">", "@01S289ABCDEF", 0},
        {"8017 not served", DigitalOut_8K, 0x8017, {{5, 1}}, "", nullptr, kModel},
        {"8041 bit 32 left to the card",
         DigitalBitOut_8K,
         0x8041,
         {{8, 32}, {5, 1}},
         "?01",
         "@01S2SC201",
         kInvalid},
        {"8041 bit 33", DigitalBitOut_8K, 0x8041, {{8, 33}, {5, 1}}, "", nullptr, kBit},
        {"8042 bit 16", DigitalBitOut_8K, 0x8042, {{8, 16}, {5, 0}}, ">", "@01S2SC100", 0},
        {"8042 bit 17", DigitalBitOut_8K, 0x8042, {{8, 17}, {5, 0}}, "", nullptr, kBit},
        {"8056 bit 12 as a hex digit", DigitalBitOut_8K, 0x8056, {{8, 12}, {5, 1}}, ">", "#01S21C01", 0},
        {"8054 bit 8", DigitalBitOut_8K, 0x8054, {{8, 8}, {5, 1}}, "", nullptr, kBit},
        {"state 2", DigitalBitOut_8K, 0x8054, {{8, 0}, {5, 2}}, "", nullptr, kValue},
        {"5054 has no bit command", DigitalBitOut_8K, 0x5054, {{8, 0}, {5, 1}}, "", nullptr, kModel},
    });
}

TEST(DigitalCards, Reads8KExchangeFirstAndChooseTheFieldAfterwards) {
    RunCases<std::uint32_t>({
        {"unknown model after traffic",
         DigitalIn_8K,
         0x8017,
         {{5, 9}},
         "!01000000",
         "$01S26",
         kModel,
         {{5, 0}}},
        {"8040 32 bits", DigitalIn_8K, 0x8040, {{5, 9}}, "!0112345678", "$01S26", 0, {{5, 0x12345678}}},
        {"8042 inputs at 7", DigitalIn_8K, 0x8042, {{5, 9}}, "!01FFFF00AB", "$01S26", 0, {{5, 0xAB}}},
        {"8051", DigitalIn_8K, 0x8051, {{5, 9}}, "!01ABCD00", "$01S26", 0, {{5, 0xABCD}}},
        {"8054 inputs at 5", DigitalIn_8K, 0x8054, {{5, 9}}, "!0112C300", "$01S26", 0, {{5, 0xC3}}},
        {"8063 nibble at 6", DigitalIn_8K, 0x8063, {{5, 9}}, "!01A00500", "$01S26", 0, {{5, 5}}},
        {"8054 with 10 characters",
         DigitalIn_8K,
         0x8054,
         {{5, 9}},
         "!0112C30000",
         "$01S26",
         kInvalid,
         {{5, 0}}},
        {"timeout clears", DigitalIn_8K, 0x8054, {{5, 9}}, "", "$01S26", UART_TIMEOUT, {{5, 0}}},
        {"8041 read-back",
         DigitalOutReadBack_8K,
         0x8041,
         {{5, 9}},
         "!01DEADBEEF",
         "$01S26",
         0,
         {{5, 0xDEADBEEF}}},
        {"8057 read-back", DigitalOutReadBack_8K, 0x8057, {{5, 9}}, "!01BEEF00", "$01S26", 0, {{5, 0xBEEF}}},
        {"8063 read-back", DigitalOutReadBack_8K, 0x8063, {{5, 9}}, "!01A00500", "$01S26", 0, {{5, 0xA}}},
        {"8040 has no outputs",
         DigitalOutReadBack_8K,
         0x8040,
         {{5, 9}},
         "!01000000",
         "$01S26",
         kModel,
         {{5, 0}}},
    });
}

TEST(DigitalCards, Cards87K) {
    RunCases<std::uint32_t>({
        {"87063 one digit", DigitalOut_87K, 0x87063, {{5, 0xFF}}, ">", "@01F", 0},
        {"87056 four digits", DigitalOut_87K, 0x87056, {{5, 0x1BEEF}}, ">", "@01BEEF", 0},
        {"87060 masked", DigitalOut_87K, 0x87060, {{5, 0xFF}}, ">", "@013F", 0},
        {"0x7044 is not an 87K", DigitalOut_87K, 0x7044, {{5, 1}}, "", nullptr, kModel},
        {"87056 bit 15", DigitalBitOut_87K, 0x87056, {{7, 15}, {8, 1}}, ">", "#01B701", 0},
        {"87054 bit 2", DigitalBitOut_87K, 0x87054, {{7, 2}, {8, 0}}, ">", "#01A200", 0},
        {"87056 bit 16", DigitalBitOut_87K, 0x87056, {{7, 16}, {8, 1}}, "", nullptr, kBit},
        {"87063 bit 4", DigitalBitOut_87K, 0x87063, {{7, 4}, {8, 1}}, "", nullptr, kBit},
        {"state 2", DigitalBitOut_87K, 0x87063, {{7, 0}, {8, 2}}, "", nullptr, kValue},
        {"87054 inputs", DigitalIn_87K, 0x87054, {{5, 9}}, "!FF5A00", "$016", 0, {{5, 0x5A}}},
        {"87063 inputs masked", DigitalIn_87K, 0x87063, {{5, 9}}, "!0FFF00", "$016", 0, {{5, 0xF}}},
        {"87056 after traffic", DigitalIn_87K, 0x87056, {{5, 9}}, "!FFFF00", "$016", kModel, {{5, 0}}},
        {"87060 read-back", DigitalOutReadBack_87K, 0x87060, {{5, 9}}, "!FF0000", "$016", 0, {{5, 0x3F}}},
        {"87057 read-back", DigitalOutReadBack_87K, 0x87057, {{5, 9}}, "!ABCD00", "$016", 0, {{5, 0xABCD}}},
        {"87051 after traffic",
         DigitalOutReadBack_87K,
         0x87051,
         {{5, 9}},
         "!ABCD00",
         "$016",
         kModel,
         {{5, 0}}},
    });
}

TEST(DigitalCards, CountersAndLatches87K) {
    RunCases<std::uint32_t>({
        {"87051 channel 15",
         DigitalInCounterRead_87K,
         0x87051,
         {{5, 15}},
         "!0199999",
         "#01F",
         0,
         {{7, 99999 & 0xFFFF}}},
        {"87051 70000", DigitalInCounterRead_87K, 0x87051, {{5, 0}}, "!0170000", "#010", 0, {{7, 4464}}},
        {"87051 -12", DigitalInCounterRead_87K, 0x87051, {{5, 0}}, "!01-0012", "#010", 0, {{7, 0xFFF4}}},
        {"87051 channel 16 cannot be sent", DigitalInCounterRead_87K, 0x87051, {{5, 16}}, "", nullptr, 24},
        {"87052 channel 8 left to the card",
         DigitalInCounterRead_87K,
         0x87052,
         {{5, 8}},
         "?01",
         "#018",
         kInvalid},
        {"87063 channel 5", DigitalInCounterRead_87K, 0x87063, {{5, 5}}, "", nullptr, 24},
        {"87056 has no counters", ClearDigitalInCounter_87K, 0x87056, {{5, 0}}, "", nullptr, kModel},
        {"clear 87054 channel 3", ClearDigitalInCounter_87K, 0x87054, {{5, 3}}, "!01", "$01C3", 0},
        {"87063 latch", DigitalInLatch_87K, 0x87063, {{5, 0}}, "!00AB00", "$01L0", 0, {{7, 0xB}}},
        {"87051 latch", DigitalInLatch_87K, 0x87051, {{5, 1}}, "!ABCD00", "$01L1", 0, {{7, 0xABCD}}},
        {"87056 latch after traffic",
         DigitalInLatch_87K,
         0x87056,
         {{5, 1}, {7, 5}},
         "!ABCD00",
         "$01L1",
         kModel,
         {{7, 5}}},
        {"clear latch", ClearDigitalInLatch_87K, 0x87099, {}, "!01", "$01C", 0},
    });
}

TEST(DigitalCards, LongSlotsReadLowSixteenBitsOfArguments) {
    LongFrame fr(0x87056);
    fr.w[7] = 0x10007; // bit 7: the high half of the slot is not part of the argument
    fr.w[8] = 0x10001;
    Fake().answer(">");
    EXPECT_EQ(fr(DigitalBitOut_87K), 0);
    EXPECT_EQ(Fake().commands(), std::vector<std::string>{"#01A701"});
}

} // namespace
} // namespace tev::iomodule::testing
