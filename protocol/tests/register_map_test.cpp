#include <gtest/gtest.h>

#include "tev/protocol/register_map.hpp"

using namespace tev::protocol;

TEST(RegisterMap, EntryRegisters) {
    EXPECT_EQ(StatusRegister(0), 0x1388);
    EXPECT_EQ(StatusRegister(2), 5002);
    EXPECT_EQ(ValueRegister(2), 8);
    EXPECT_EQ(StatusRegister(kFirstCounterEntry), 5064);
    EXPECT_EQ(StatusRegister(kDataEntries - 1), 5071);
    EXPECT_EQ(ValueRegister(kFirstCounterEntry), 256);
    EXPECT_EQ(ValueRegister(kDataEntries - 1) + kValueRegisterCount - 1, 287);
}

TEST(RegisterMap, MeterListRegisters) {
    EXPECT_EQ(SecondaryAddressRegister(0), 7000);
    EXPECT_EQ(SecondaryAddressRegister(31), 7093);
    EXPECT_EQ(SecondaryAddressRegister(32), 7096);
    EXPECT_EQ(SecondaryAddressRegister(63), 7189);
    EXPECT_EQ(MeterTypeRegister(0), 8000);
    EXPECT_EQ(MeterTypeRegister(1), 8000);
    EXPECT_EQ(MeterTypeRegister(63), 8031);

    struct Row {
        std::size_t meters, low, high;
        std::uint16_t typeRegisters;
    };
    const Row rows[] = {
        {0, 0, 0, 0},    {1, 1, 0, 1},     {32, 32, 0, 16},   {33, 32, 1, 17},
        {40, 32, 8, 20}, {64, 32, 32, 32}, {200, 32, 32, 32}, // capped at the 64 meters the converter holds
    };
    for (const Row& r : rows) {
        const auto blocks = SplitSecondaryBlocks(r.meters);
        EXPECT_EQ(blocks.low, r.low) << r.meters;
        EXPECT_EQ(blocks.high, r.high) << r.meters;
        EXPECT_EQ(MeterTypeRegisters(r.meters), r.typeRegisters) << r.meters;
    }
    const auto forty = SplitSecondaryBlocks(40);
    EXPECT_EQ(3 * forty.low, 96u);
    EXPECT_EQ(3 * forty.high, 24u);
}

TEST(RegisterMap, BaudCodesBothWays) {
    const std::uint32_t rates[] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};
    for (std::size_t i = 0; i < std::size(rates); ++i) {
        const auto code = static_cast<std::uint8_t>(0x34 + i);
        EXPECT_EQ(BaudFromCode(code), rates[i]);
        EXPECT_EQ(CodeFromBaud(rates[i]), code);
        EXPECT_EQ(BaudCodeIndex(code), i);
    }
    EXPECT_FALSE(BaudFromCode(0x33));
    EXPECT_FALSE(BaudFromCode(0x3B));
    EXPECT_FALSE(CodeFromBaud(1200));
}
