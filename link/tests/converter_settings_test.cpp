// The settings page's requests, its pending slot and the meter-list chain, without a line.
#include <gtest/gtest.h>

#include "tev/link/converter_settings.hpp"
#include "tev/protocol/crc.hpp"
#include "tev/protocol/hex_input.hpp"

using namespace tev::link;

namespace {

// The frame without its CRC as hex text, after checking the CRC.
std::string Body(const std::vector<std::uint8_t>& frame) {
    EXPECT_TRUE(tev::protocol::ModbusCrcValid(frame));
    if (frame.size() < 2)
        return {};
    return tev::protocol::FormatHexBytes(std::span(frame).first(frame.size() - 2), " ");
}

MeterTable Meters(int count) {
    MeterTable table;
    table.count = count;
    for (int k = 0; k < count; ++k) {
        table.entries[static_cast<std::size_t>(k)].editedSerial = std::to_string(100000 + k);
        table.entries[static_cast<std::size_t>(k)].editedType = k % 2 ? "12" : "03";
    }
    return table;
}

} // namespace

TEST(ConverterSettings, ButtonsBuildTheirWritesOrRefuseTheirInput) {
    struct Case {
        const char* what;
        BuiltWrite built;
        InputError error;
        const char* body;
    };
    const Case cases[] = {
        {"address 02 at 19200", BuildAddressBaudWrite(1, "02", 3), InputError::None, "01 06 17 70 02 37 "},
        {"address with blanks", BuildAddressBaudWrite(1, "  0a ", 6), InputError::None, "01 06 17 70 0A 3A "},
        {"empty address", BuildAddressBaudWrite(1, "   ", 3), InputError::AddressEmpty, ""},
        {"one character", BuildAddressBaudWrite(1, "1", 3), InputError::AddressFormat, ""},
        {"three characters", BuildAddressBaudWrite(1, "123", 3), InputError::AddressFormat, ""},
        {"not hexadecimal", BuildAddressBaudWrite(1, "G1", 3), InputError::AddressFormat, ""},
        {"time 2", BuildAcquisitionTimeWrite(1, "2"), InputError::TimeRange, ""},
        {"time 10000", BuildAcquisitionTimeWrite(1, "10000"), InputError::TimeRange, ""},
        {"time 75539 (3 as 16 bits)", BuildAcquisitionTimeWrite(1, "75539"), InputError::TimeRange, ""},
        {"time not a number", BuildAcquisitionTimeWrite(1, "abc"), InputError::TimeRange, ""},
        {"time 3", BuildAcquisitionTimeWrite(1, "3"), InputError::None, "01 06 17 71 00 03 "},
        {"time 9999", BuildAcquisitionTimeWrite(2, "9999"), InputError::None, "02 06 17 71 27 0F "},
        {"type 12, 40 meters", BuildTypeAndCountWrite(1, "12-ABC-1", "40"), InputError::None,
         "01 06 17 72 0C 28 "},
        {"type without '-'", BuildTypeAndCountWrite(1, "12ABC", "5"), InputError::None, "01 06 17 72 00 05 "},
        {"type without a name", BuildTypeAndCountWrite(1, "07", "5"), InputError::None, "01 06 17 72 07 05 "},
        {"parity odd", BuildParityWrite(1, 2), InputError::None, "01 06 17 73 00 02 "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.built.error, c.error) << c.what;
        EXPECT_EQ(c.built ? Body(c.built.frame) : std::string(), c.body) << c.what;
    }
    EXPECT_STREQ(InputErrorText(InputError::AddressFormat), "地址格式不对!");
    EXPECT_STREQ(InputErrorText(InputError::TimeRange), "时间范围不正确!");
}

TEST(ConverterSettings, ASecondButtonInOnePeriodReplacesTheFirst) {
    PendingCommand slot;
    slot.set(SettingsCommand::Parity, BuildParityWrite(1, 1).frame);
    slot.set(SettingsCommand::AcquisitionTime, BuildAcquisitionTimeWrite(1, "60").frame);
    const auto job = slot.take();
    ASSERT_TRUE(job);
    EXPECT_EQ(job->command, SettingsCommand::AcquisitionTime);
    EXPECT_EQ(Body(job->frame), "01 06 17 71 00 3C ");
    EXPECT_FALSE(slot.take()); // sent once, whatever its outcome
}

TEST(ConverterSettings, MeterListChainWritesTypesThenBlockTwoThenBlockOne) {
    struct Case {
        int meters;
        std::vector<std::pair<SettingsCommand, std::string>> heads; // command, first 7 bytes
    };
    const Case cases[] = {
        {40,
         {{SettingsCommand::Types, "01 10 1F 40 00 14 28 "},
          {SettingsCommand::Block2, "01 10 1B B8 00 18 30 "},
          {SettingsCommand::Block1, "01 10 1B 58 00 60 C0 "}}},
        {5,
         {{SettingsCommand::Types, "01 10 1F 40 00 03 06 "},
          {SettingsCommand::Block1, "01 10 1B 58 00 0F 1E "}}},
        {0, {}},
    };
    for (const Case& c : cases) {
        PendingCommand slot;
        slot.set(SettingsCommand::Parity, BuildParityWrite(1, 1).frame); // replaced by the chain
        slot.setMeterList(BuildMeterListWrites(1, Meters(c.meters)));
        for (const auto& [command, head] : c.heads) {
            const auto job = slot.take();
            ASSERT_TRUE(job) << c.meters;
            EXPECT_EQ(job->command, command) << c.meters;
            EXPECT_EQ(Body(job->frame).substr(0, head.size()), head) << c.meters;
            EXPECT_EQ(job->extraMs, command == SettingsCommand::Types ? 1000u : 2000u);
        }
        EXPECT_FALSE(slot.take()) << c.meters;
    }
}

TEST(ConverterSettings, MeterListBytesArePaddedSerialsAndDecimalTypes) {
    MeterTable table;
    table.count = 3;
    table.entries[0] = {"", "", "12345", "12-X"};
    table.entries[1] = {"", "", "ABCDEF012345", "03"};
    table.entries[2] = {"", "", "", "no digits"};
    const MeterListWrites writes = BuildMeterListWrites(7, table);
    EXPECT_EQ(Body(writes.block1),
              "07 10 1B 58 00 09 12 00 00 00 01 23 45 AB CD EF 01 23 45 00 00 00 00 00 00 ");
    // Odd count: the low byte of the last register carries no meter and is 0.
    EXPECT_EQ(Body(writes.types), "07 10 1F 40 00 02 04 0C 03 00 00 ");
    EXPECT_TRUE(writes.block2.empty());
}

TEST(ConverterSettings, MetersTheReadDidNotReachAreUnread) {
    MeterTable table; // as another converter's read left it
    table.count = 34;
    table.entries[33].readSerial = "0000000000FF";
    table.entries[3].readType = "07";
    MeterListRead read;
    read.block1.assign(32 * 6, 0x11);
    read.block1[6] = 0xAB;
    read.types = {0x01, 0x0C, 0x40};
    ApplyMeterListRead(table, read);
    EXPECT_EQ(table.entries[1].readSerial, "AB1111111111");
    EXPECT_EQ(table.entries[33].readSerial, ""); // block 2 not answered
    EXPECT_EQ(table.entries[1].readType, "0C");
    EXPECT_EQ(table.entries[2].readType, "40");
    EXPECT_EQ(table.entries[3].readType, "");
}

TEST(ConverterSettings, OnlyAnEchoedAddressWriteMovesTheConverter) {
    Converter c;
    c.address = 1;
    c.baud = 9600;
    struct Case {
        SettingsCommand command;
        ExchangeError error;
        bool moves;
    };
    const Case cases[] = {{SettingsCommand::AddressBaud, ExchangeError::None, true},
                          {SettingsCommand::AddressBaud, ExchangeError::BadFrame, false},
                          {SettingsCommand::AddressBaud, ExchangeError::Timeout, false},
                          {SettingsCommand::Parity, ExchangeError::None, false}};
    for (const Case& k : cases) {
        AddressChange change;
        change.expect(0x0A, 3);
        const auto moved = change.settle(c, {k.command, k.error, 0});
        EXPECT_EQ(moved.has_value(), k.moves);
        if (moved)
            EXPECT_EQ(moved->address, 0x0A);
    }
    // A failed address write ends the wait: a later echo does not apply the old change.
    AddressChange once;
    once.expect(0x0A, 3);
    once.settle(c, {SettingsCommand::AddressBaud, ExchangeError::Timeout, 0});
    EXPECT_FALSE(once.settle(c, {SettingsCommand::AddressBaud, ExchangeError::None, 0}));
}

TEST(ConverterSettings, TypeListIsSortedWithTheTypeChosenByItsNumber) {
    const TypeList list = SettingsTypeList({"02-B", "01-A", "03-C"}, 1);
    EXPECT_EQ(list.names, (std::vector<std::string>{"01-A", "02-B", "03-C"}));
    EXPECT_EQ(list.selected, 0u);
    const TypeList unnamed = SettingsTypeList({"01-A", "03-C"}, 2);
    EXPECT_EQ(unnamed.names[unnamed.selected], "02");
    EXPECT_EQ(unnamed.names.size(), 3u);
}

TEST(ConverterSettings, ReportsAndAddressChange) {
    Converter c;
    c.address = 1;
    c.baud = 9600;
    c.configText = "0136003C010800000001";
    c.configText.resize(18);
    EXPECT_EQ(CommandReport(c, SettingsCommand::Parity, true), "ZEDU-MODBUS模块模块校验设置完成 !");
    EXPECT_EQ(CommandReport(c, SettingsCommand::AddressBaud, false, "无应答"),
              "ZEDU-MODBUS模块模块更改地址和波特率设置失败(无应答) !");
    const Converter moved = WithAddressAndRate(c, 0x0A, 3);
    EXPECT_EQ(moved.address, 0x0A);
    EXPECT_EQ(moved.baud, 19200u);
    EXPECT_EQ(moved.configText.substr(0, 6), "0A3700");
    EXPECT_EQ(RateText(6), "115200");
    EXPECT_EQ(RateIndexOfCode(0x3A), 6u);
    EXPECT_FALSE(RateIndexOfCode(0x40));
}
