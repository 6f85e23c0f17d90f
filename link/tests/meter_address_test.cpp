// The meter address setting without a line: field checks, import lines and the batch's lines.
#include <gtest/gtest.h>

#include <string>

#include "tev/link/direct_line.hpp"
#include "tev/link/meter_address.hpp"

using namespace tev::link;

namespace {

using Four = std::array<std::uint8_t, 4>;

TEST(MeterAddressFields, ManualChecksComeInOrderAfterTrimming) {
    struct Case {
        const char* manufacturer;
        const char* identification;
        const char* address;
        FieldError error;
    };
    const Case cases[] = {
        {"FFFFFFFF", "12345678", "05", FieldError::None},
        {" FFFFFFFF\t", " 12345678 ", " 05 ", FieldError::None},
        {"FFFFFFF", "1234567", "5", FieldError::ManufacturerLength},
        {"FFFFFFFF", "1234567", "5", FieldError::IdentificationLength},
        {"FFFFFFFF", "123456789", "05", FieldError::IdentificationLength},
        {"FFFFFFFF", "12345678", "5", FieldError::AddressLength},
        {"FFFFFFFF", "12345678", "", FieldError::AddressLength},
    };
    for (const Case& c : cases) {
        const FieldCheck check = CheckManualFields(c.manufacturer, c.identification, c.address);
        EXPECT_EQ(check.error, c.error) << c.manufacturer << "/" << c.identification << "/" << c.address;
    }
    const FieldCheck ok = CheckManualFields("2D2C0107", "12345678", "e4");
    EXPECT_EQ(ok.request, (AddressRequest{Four{0x12, 0x34, 0x56, 0x78}, Four{0x2D, 0x2C, 0x01, 0x07}, 0xE4}));
    EXPECT_STREQ(FieldErrorText(FieldError::IdentificationLength), "序列号长度不对!");
    EXPECT_STREQ(FieldErrorText(FieldError::ManufacturerLength), "厂家 + 版本号 长度不对!");
    EXPECT_STREQ(FieldErrorText(FieldError::AddressLength), "地址长度不对!");
}

TEST(MeterAddressFields, ImportLineTakesItsPartsAsTheyStand) {
    struct Case {
        const char* line;
        Four identification;
        std::uint8_t address;
    };
    const Case cases[] = {
        {"12345678,05,", {0x12, 0x34, 0x56, 0x78}, 0x05},
        {"00001111,0A,remark", {0x00, 0x00, 0x11, 0x11}, 0x0A},
        {"12345678,05", {0x12, 0x34, 0x56, 0x78}, 0x00}, // no second comma: empty address
        {"12345678", {0x12, 0x34, 0x56, 0x78}, 0x00},
        {"123,7,", {0x12, 0x03, 0x00, 0x00}, 0x07}, // no length test in batch mode
    };
    for (const Case& c : cases) {
        const FieldCheck check = CheckImportLine("FFFFFFFF", c.line);
        ASSERT_TRUE(check) << c.line;
        EXPECT_EQ(check.request, (AddressRequest{c.identification, Four{0xFF, 0xFF, 0xFF, 0xFF}, c.address}))
            << c.line;
    }
    EXPECT_EQ(CheckImportLine("FFFF", "12345678,05,").error, FieldError::ManufacturerLength);
}

TEST(MeterAddressImport, CommentsBlanksAndTrimmingThenASecondFileAppends) {
    AddressBatch batch;
    auto read = batch.addFileText("; meters of block 3\n\n  00001111,0A,  \r\n");
    EXPECT_EQ(read.taken, 1u);
    EXPECT_FALSE(read.truncated);
    read = batch.addFileText("\xEF\xBB\xBF"
                             "12345678,05,\r\n ;not at the start: kept\n12345679,06,");
    EXPECT_EQ(read.taken, 3u);
    EXPECT_EQ(batch.lines(), (std::vector<std::string>{"00001111,0A,", "12345678,05,",
                                                       ";not at the start: kept", "12345679,06,"}));
    batch.restart();
    for (std::size_t n = 1; n <= 4; ++n)
        EXPECT_EQ(batch.take()->number, n);
    EXPECT_FALSE(batch.take());
    EXPECT_EQ(AddressBatch::statusText(3, true), "完成3地址设置");
    EXPECT_EQ(AddressBatch::statusText(3, false), "3地址设置失败");
}

TEST(MeterAddressImport, ManyLinesAreAllKeptUpToTheStore) {
    AddressBatch batch;
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += std::to_string(10000000 + i) + ",01,\n";
    EXPECT_EQ(batch.addFileText(text).taken, 200u);
    std::string many;
    for (std::size_t i = 0; i < kMaxImportLines; ++i)
        many += "1\n";
    const auto read = batch.addFileText(many);
    EXPECT_TRUE(read.truncated);
    EXPECT_EQ(batch.size(), kMaxImportLines);
    EXPECT_TRUE(batch.addFileText(std::string(kMaxImportFileBytes + 1, ';')).truncated);
}

TEST(MeterAddressImport, ALineCutByTheFileBoundIsDropped) {
    // "12345678,0A," cut after its "0" would set address 00.
    const std::string whole = "87654321,0B,\n";
    const std::string cut = "12345678,0A,\n";
    std::string text = std::string(kMaxImportFileBytes - whole.size() - 11, ';') + "\n" + whole;
    text += cut;
    ASSERT_EQ(text.substr(0, kMaxImportFileBytes).substr(kMaxImportFileBytes - 10), "12345678,0");
    AddressBatch batch;
    const auto read = batch.addFileText(text);
    EXPECT_TRUE(read.truncated);
    ASSERT_EQ(batch.size(), 1u);
    EXPECT_EQ(batch.take()->text, "87654321,0B,");
}

TEST(DirectLine, KnownRatesAndTimeouts) {
    EXPECT_EQ(KnownBaudFromText("38400"), 38400u);
    EXPECT_EQ(KnownBaudFromText("300"), 300u);
    EXPECT_FALSE(KnownBaudFromText(""));
    EXPECT_FALSE(KnownBaudFromText("2400 "));
    EXPECT_FALSE(KnownBaudFromText("115200"));
    EXPECT_EQ(AddressReceiveTimeoutMs(2400), 1200);
    EXPECT_EQ(AddressReceiveTimeoutMs(300), 9600);
    EXPECT_EQ(AddressReceiveTimeoutMs(38400), 100); // not 0 ms
    EXPECT_EQ(DirectLineSettings(2, 2400).parity, kDirectLineParity);
}

} // namespace
