// *.cfg meter list files: the bytes written and the rows read back.
#include <gtest/gtest.h>

#include "tev/link/meter_list_file.hpp"

using namespace tev::link;
using namespace std::string_literals;

TEST(MeterListFile, SavedBytesReadBackInBothModes) {
    // "02-水表" in GBK: bytes kept as they are.
    const std::string gbk = "02-\xCB\xAE\xB1\xED";
    const std::vector<MeterListRow> rows{{"000010000001", "01-HEDE"}, {"ABCDEF012345", gbk}};
    struct Case {
        bool secondary;
        std::string bytes;
    };
    const Case cases[] = {
        {true, "00001000000101-HEDE\nABCDEF012345" + gbk + "\0"s},
        {false, "01-HEDE\n" + gbk + "\0"s},
    };
    for (const Case& c : cases) {
        const std::string text = FormatMeterListFile(rows, c.secondary);
        EXPECT_EQ(text, c.bytes) << c.secondary;
        const MeterListFile back = ParseMeterListFile(text, c.secondary);
        ASSERT_EQ(back.rows.size(), 2u);
        EXPECT_EQ(back.rows[1].type, gbk);
        EXPECT_EQ(back.rows[0].serial, c.secondary ? rows[0].serial : "");
        EXPECT_EQ(FormatMeterListFile(back.rows, c.secondary), text) << "byte for byte";
    }
    EXPECT_EQ(FormatMeterListFile({}, true), "");
}

TEST(MeterListFile, ImportSkipsCommentsAndBlanksAndSplitsByMode) {
    struct Case {
        const char* what;
        std::string bytes;
        bool secondary;
        std::vector<MeterListRow> rows;
    };
    const Case cases[] = {
        {"comments and blanks only", "; list\n\n   \r\n;x\n\0"s, true, {}},
        {"empty file", "", true, {}},
        {"CR LF and blanks",
         "  123456789012 01-A \r\n\t000000000001 02-B\r\n",
         true,
         {{"123456789012", " 01-A"}, {"000000000001", " 02-B"}}},
        {"short line", "12345\n", true, {{"12345", ""}}},
        {"secondary file read in primary mode", "12345678901201-A\n\0"s, false, {{"", "12345678901201-A"}}},
        {"blank before ';' is no comment", " ;x\n", false, {{"", ";x"}}},
        {"zero byte ends the line", "01-A\0junk\n02-B\0"s, false, {{"", "01-A"}, {"", "02-B"}}},
    };
    for (const Case& c : cases) {
        const MeterListFile file = ParseMeterListFile(c.bytes, c.secondary);
        EXPECT_EQ(file.rows, c.rows) << c.what;
        EXPECT_FALSE(file.truncated) << c.what;
    }
}

TEST(MeterListFile, LongFilesAreCutAtTheirBounds) {
    std::string many;
    for (std::size_t i = 0; i < kMaxCfgRows + 10; ++i)
        many += "01-A\n";
    const MeterListFile rows = ParseMeterListFile(many, false);
    EXPECT_EQ(rows.rows.size(), kMaxCfgRows);
    EXPECT_TRUE(rows.truncated);

    // A line cut by the byte bound is not read as a shorter one.
    const MeterListFile big = ParseMeterListFile("01-A\n" + std::string(kCfgReadLimit + 100, 'x'), false);
    ASSERT_EQ(big.rows.size(), 1u);
    EXPECT_EQ(big.rows[0].type, "01-A");
    EXPECT_TRUE(big.truncated);
}
