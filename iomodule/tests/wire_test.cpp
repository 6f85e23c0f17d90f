// Reply field access and number conversions, bounded to the field: every character of a field must
// belong to its number.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "reply.hpp"
#include "wire.hpp"

namespace tev::iomodule {
namespace {

TEST(Wire, DecimalFieldsHoldOnlyANumber) {
    struct Case {
        std::string text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"+0012.5", 12.5},
        {"-05.678", -5.678},
        {".5", 0.5},
        {"7.", 7.0},
        {"00123", 123.0},
        {"+01.01n", std::nullopt},
        {"  +1.5", std::nullopt},
        {"1.5e2", std::nullopt},
        {"+01.234-05.678", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"-.", std::nullopt},
        {"+-1", std::nullopt},
        {"1.2.3", std::nullopt},
        {"+1.5 ", std::nullopt},
        {"0x10", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseDecimal(c.text), c.value) << c.text;
}

TEST(Wire, IntegersAndHex) {
    EXPECT_EQ(ParseInteger("00123"), 123);
    EXPECT_EQ(ParseInteger("-0042"), -42);
    EXPECT_EQ(ParseInteger("99999999999"), 2147483647);
    for (const char* bad : {" -42", "-42x", "", "-", "1 2", "+0.5"})
        EXPECT_EQ(ParseInteger(bad), std::nullopt) << bad;
    // strtol and "%X" fields: either case, nothing else.
    EXPECT_EQ(ParseHex("7FFF"), 0x7FFFu);
    EXPECT_EQ(ParseHex("ffff"), 0xFFFFu);
    EXPECT_EQ(ParseHex("0FF"), 0xFFu);
    for (const char* bad : {"", "0x1F", " 1F", "-1", "1G", "zz"})
        EXPECT_EQ(ParseHex(bad), std::nullopt) << bad;
    // The modules' digit rule: upper-case digits only.
    EXPECT_EQ(DecodeHexDigits("0A1B"), 0x0A1Bu);
    for (const char* bad : {"", "a", "0j", "0F0j", "0:", "G0"})
        EXPECT_EQ(DecodeHexDigits(bad), std::nullopt) << bad;
}

TEST(Wire, ReplyFieldsStayInsideTheData) {
    const Reply plain(">+01.000", false);
    EXPECT_EQ(plain.data(), ">+01.000");
    EXPECT_EQ(plain.field(1, 7), "+01.000");
    EXPECT_EQ(plain.field(2, 7), std::nullopt);
    EXPECT_EQ(plain.from(8), "");
    EXPECT_EQ(plain.from(9), std::nullopt);
    EXPECT_EQ(plain.hex(5, 4), std::nullopt);

    const Reply summed("!0110AB", true); // "AB" is the checksum
    EXPECT_EQ(summed.data(), "!0110");
    EXPECT_EQ(summed.text(), "!0110AB");
    EXPECT_EQ(summed.digit(3), 1u);
    EXPECT_EQ(summed.field(3, 3), std::nullopt);

    const Reply tiny("A", true); // shorter than its checksum: no data, no crash
    EXPECT_EQ(tiny.data(), "");
    EXPECT_EQ(Reply().first(), '\0');

    const Reply odd("!01A:", false); // a digit field holds a decimal digit only
    EXPECT_EQ(odd.digit(3), std::nullopt);
    EXPECT_EQ(odd.digit(4), std::nullopt);
    EXPECT_EQ(odd.integer(1, 2), 1);
    EXPECT_EQ(odd.integer(1, 3), std::nullopt);
}

} // namespace
} // namespace tev::iomodule
