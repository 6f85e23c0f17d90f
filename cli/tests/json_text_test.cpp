#include <gtest/gtest.h>

#include <cmath>

#include "tev/cli/json_text.hpp"

using tev::cli::JsonObject;
using tev::cli::JsonString;

TEST(JsonText, EscapesWhatJsonCannotHoldAndKeepsUtf8) {
    const struct {
        std::string_view in;
        std::string_view out;
    } cases[] = {
        {"ZEDU-MODBUS模块", "\"ZEDU-MODBUS模块\""},
        {"a\"b\\c\n\t", "\"a\\\"b\\\\c\\n\\t\""},
        {std::string_view("\x01\x00", 2), "\"\\u0001\\u0000\""},
        {"\xC9\xD5 gbk", "\"\xEF\xBF\xBD\xEF\xBF\xBD gbk\""}, // GBK bytes are no UTF-8
        {"\xE6\xA8", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},          // a sequence cut short
    };
    for (const auto& c : cases)
        EXPECT_EQ(JsonString(c.in), c.out) << c.in;
}

TEST(JsonText, ObjectOfAllKinds) {
    const std::string text = JsonObject()
                                 .add("address", 1)
                                 .add("name", "x")
                                 .add("flow", 1.5)
                                 .add("bad", std::nan(""))
                                 .add("stale", true)
                                 .addNull("time")
                                 .addRaw("list", "[1,2]")
                                 .text();
    EXPECT_EQ(text, R"({"address":1,"name":"x","flow":1.5,"bad":null,"stale":true,"time":null,"list":[1,2]})");
}
