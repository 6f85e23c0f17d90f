// Reply field access and number conversions with the C library's rules, bounded to the field.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "reply.hpp"
#include "wire.hpp"

namespace tev::iomodule {
namespace {

TEST(Wire, DecimalFollowsAtof) {
    struct Case {
        std::string text;
        double value;
    };
    const Case cases[] = {
        {"+0012.5", 12.5}, {"-05.678", -5.678}, {"  +1.5e2", 150.0}, {"+01.234-05.678", 1.234},
        {"", 0.0},         {"abc", 0.0},        {"+-1", 0.0},        {"1e999", HUGE_VAL},
        {"1e-999", 0.0},   {".5", 0.5},         {"-", 0.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(parseDecimal(c.text), c.value) << c.text;
}

TEST(Wire, IntegersAndHex) {
    EXPECT_EQ(parseInteger("00123"), 123);
    EXPECT_EQ(parseInteger(" -42x"), -42);
    EXPECT_EQ(parseInteger("99999999999"), 2147483647);
    EXPECT_EQ(parseBase16("7FFF"), 0x7FFF);
    EXPECT_EQ(parseBase16("ffff"), 0xFFFF);
    EXPECT_EQ(parseBase16("0x1G"), 1);
    EXPECT_EQ(parseBase16("zz"), 0);
    EXPECT_EQ(scanHex("0FF"), 0xFFu);
    EXPECT_EQ(scanHex(""), std::nullopt);
    EXPECT_EQ(scanHex(" G"), std::nullopt);
    // The modules' digit rule: only upper-case digits decode as hex.
    EXPECT_EQ(decodeHexDigits("0A1B"), 0x0A1Bu);
    EXPECT_EQ(decodeHexDigits("a"), static_cast<std::uint32_t>('a' - 55));
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
}

} // namespace
} // namespace tev::iomodule
