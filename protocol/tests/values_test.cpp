#include <gtest/gtest.h>

#include <vector>

#include "bytes.hpp"
#include "tev/protocol/values.hpp"

using namespace tev::protocol;

TEST(MeterValues, DecodeAndShow) {
    struct Row {
        const char* data;
        const char* serial;
        const char* flow;
    };
    const Row rows[] = {
        {"00 BC 61 4E 41 20 00 00", "12345678", "10.000000"},
        {"00 00 00 00 00 00 00 00", "00000000", "0.000000"},
        {"00 00 00 2A 3F C0 00 00", "00000042", "1.500000"},
        {"FF FF FF D6 C1 20 00 00", "-0000042", "-10.000000"},
        {"7F FF FF FF 7F 80 00 00", "2147483647", "inf"},
    };
    for (const Row& r : rows) {
        const auto values = DecodeMeterValues(Bytes(r.data));
        ASSERT_TRUE(values) << r.data;
        EXPECT_EQ(FormatSerial(values->serial), r.serial) << r.data;
        EXPECT_EQ(FormatFlow(values->flow), r.flow) << r.data;
    }
    EXPECT_FALSE(DecodeMeterValues(Bytes("00 BC 61 4E 41 20 00")));
    // The largest float still prints in full.
    EXPECT_EQ(FormatFlow(FlowFromBits(0x7F7FFFFF)).size(), 46u);
}

TEST(MeterValues, WordsAreBoundedByTheData) {
    const auto data = Bytes("01 02 03 04 05");
    EXPECT_EQ(Word32At(data, 0), 0x01020304u);
    EXPECT_EQ(Word32At(data, 1), 0x02030405u);
    EXPECT_FALSE(Word32At(data, 2));
    EXPECT_FALSE(Word32At(data, 100));
}

TEST(MeterStatus, LinkAndStatusBytes) {
    const auto status = DecodeMeterStatus(Bytes("01 1B"));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->link, kLinkConnected);
    EXPECT_EQ(FormatStatus(status->status), "1B");
    EXPECT_EQ(FormatStatus(0x05), "05");
    EXPECT_FALSE(DecodeMeterStatus(Bytes("01")));
}

TEST(ConverterConfig, ReplyDataTextAndFieldsAgree) {
    // Address 01, 9600 baud, 60 s, type 2, 40 meters, parity even, secondary addressing.
    const auto data = Bytes("01 36 00 3C 02 28 00 01 00 01");
    const ConverterConfig expected{0x01, 0x36, 60, 0x02, 40, 1, 1};
    EXPECT_EQ(DecodeConfig(data), expected);
    EXPECT_EQ(ConfigText(data), "0136003C0228000101");
    EXPECT_EQ(ParseConfigText("0136003C0228000101"), expected);
    EXPECT_EQ(ParseConfigText("0136003c0228000101"), expected);

    // The high byte of 6004 is not part of the text; the parity is the text's second digit only.
    const auto other = Bytes("0A 3A 27 0F 00 40 00 12 FF 00");
    EXPECT_EQ(ConfigText(other), "0A3A270F0040001200");
    const auto parsed = ParseConfigText(ConfigText(other));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->acquisitionTime, 9999);
    EXPECT_EQ(parsed->meterCount, 64);
    EXPECT_EQ(parsed->parity, 2);
    EXPECT_EQ(*parsed, DecodeConfig(other));
}

TEST(ConverterConfig, RejectsShortDataAndMalformedText) {
    EXPECT_FALSE(DecodeConfig(Bytes("01 36 00 3C 02 28 00 01 00")));
    EXPECT_EQ(ConfigText(Bytes("01 36")), "");
    for (const char* text :
         {"", "0136003C022800010", "0136003C02280001011", "0136003C02280001G1", " 136003C0228000101"})
        EXPECT_FALSE(ParseConfigText(text)) << '"' << text << '"';
}
