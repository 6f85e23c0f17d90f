#include <gtest/gtest.h>

#include <vector>

#include "bytes.hpp"
#include "tev/protocol/hex_input.hpp"

using namespace tev::protocol;

TEST(HexInput, GroupsOfTwoFromTheStart) {
    struct Row {
        const char* text;
        const char* bytes;
    };
    const Row rows[] = {
        {"12345678", "12 34 56 78"},
        {"FFFFFFFF", "FF FF FF FF"},
        {"ffA0", "FF A0"},
        {"105", "10 05"}, // odd last character forms a group of its own
        {"1G", "01"},     // conversion stops at the first non-hex character
        {"G1", "00"},     // no leading digit gives 0
        {"xyzw", "00 00"},
        {"1 2", "01 02"}, // "1 " and "2"
        {"-1", "00"},     // no sign
        {"", ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ParseHexGroups(r.text), Bytes(r.bytes)) << '"' << r.text << '"';
}

TEST(HexInput, TerminalCommandDropsSpaces) {
    EXPECT_EQ(ParseHexCommand("10 5B FE"), Bytes("10 5B FE"));
    EXPECT_EQ(ParseHexCommand("105BFE"), Bytes("10 5B FE"));
    EXPECT_EQ(ParseHexCommand("1 05"), Bytes("10 05"));
    EXPECT_EQ(ParseHexCommand("   "), Bytes(""));
}

TEST(HexInput, SecondaryAddressFromSerialText) {
    struct Row {
        const char* serial;
        const char* bytes;
    };
    const Row rows[] = {
        {"12345", "00 00 00 01 23 45"},
        {"123456789ABC", "12 34 56 78 9A BC"},
        {"123456789ABCDE", "12 34 56 78 9A BC"},
        {"", "00 00 00 00 00 00"},
    };
    for (const Row& r : rows) {
        const auto bytes = SecondaryAddressFromText(r.serial);
        EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), Bytes(r.bytes)) << r.serial;
    }
}

TEST(HexInput, FormatAndParseRoundTrip) {
    const auto bytes = Bytes("00 0F E5 FF 68");
    EXPECT_EQ(FormatHexBytes(bytes), "000FE5FF68");
    EXPECT_EQ(FormatHexBytes(bytes, " "), "00 0F E5 FF 68 ");
    EXPECT_EQ(ParseHexGroups(FormatHexBytes(bytes)), bytes);
    EXPECT_EQ(ParseHexCommand(FormatHexBytes(bytes, " ")), bytes);
}
