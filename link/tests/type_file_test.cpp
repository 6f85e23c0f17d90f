#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "tev/link/type_file.hpp"

using namespace tev::link;
using Names = std::vector<std::string>;

namespace {

struct Case {
    const char* what;
    std::string text;
    Names names;
};

TEST(TypeFile, ParsesLinesCommentsAndBlanks) {
    const std::string gbk = "03-\xC8\xC8\xC1\xBF\xB1\xED"; // "03-热量表" in GBK
    const Case cases[] = {
        {"example", ";types\n01-HEDE\n\n  02-KAMSTRUP  \n", {"01-HEDE", "02-KAMSTRUP"}},
        {"CRLF", ";types\r\n01-HEDE\r\n\r\n  02-KAMSTRUP  \r\n", {"01-HEDE", "02-KAMSTRUP"}},
        {"no final LF", "01-A\n02-B", {"01-A", "02-B"}},
        {"blank before ;", " ;x\n\t;y \n", {";x", ";y"}},
        {"only blanks", " \t\r\n\v\f\n", {}},
        {"empty", "", {}},
        {"inner blanks kept", "01-  A  B\n", {"01-  A  B"}},
        {"GBK bytes kept", gbk + "\r\n", {gbk}},
        {"UTF-8 kept", "04-水表\n", {"04-水表"}},
        {"BOM dropped", "\xEF\xBB\xBF;c\n01-A\n", {"01-A"}},
        {"NUL kept", std::string("01-A\0B\n", 7), {std::string("01-A\0B", 6)}},
    };
    for (const Case& c : cases) {
        const TypeFile file = ParseTypeFile(c.text);
        EXPECT_EQ(file.names, c.names) << c.what;
        EXPECT_FALSE(file.truncated) << c.what;
    }
}

TEST(TypeFile, KeepsTheFirst350Names) {
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += ";c\n" + std::to_string(i) + "-T\n";
    const TypeFile file = ParseTypeFile(text);
    ASSERT_EQ(file.names.size(), kMaxTypeNames);
    EXPECT_EQ(file.names.back(), "349-T");
    EXPECT_TRUE(file.truncated);

    text.clear();
    for (int i = 0; i < 350; ++i)
        text += std::to_string(i) + "-T\n";
    EXPECT_FALSE(ParseTypeFile(text + ";last\n\n").truncated);

    const TypeFile huge = ParseTypeFile(std::string(kTypeFileReadLimit + 10, ' ') + "01-A\n");
    EXPECT_TRUE(huge.names.empty());
    EXPECT_TRUE(huge.truncated);
}

TEST(TypeFile, LoadsFromDisk) {
    char pattern[] = "/tmp/tev_type_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::filesystem::path dir = pattern;
    std::ofstream(dir / kTypeFileName, std::ios::binary) << "01-HEDE\r\n02-KAMSTRUP\r\n";
    EXPECT_EQ(LoadTypeFile(dir / kTypeFileName).names, (Names{"01-HEDE", "02-KAMSTRUP"}));
    EXPECT_TRUE(LoadTypeFile(dir / "missing.txt").names.empty());
    EXPECT_TRUE(LoadTypeFile(dir).names.empty()); // a folder is no file
    std::filesystem::remove_all(dir);
}

TEST(TypeFile, TypeNumber) {
    const std::pair<const char*, int> cases[] = {{"01-HEDE", 1}, {"12-X", 12}, {"7-", 7},       {"-X", -1},
                                                 {"01", -1},     {"A1-X", -1}, {"12345-X", -1}, {"", -1}};
    for (const auto& [name, number] : cases)
        EXPECT_EQ(TypeNumber(name), number) << name;
}

// Whatever places the names have, a number turned into a name turns back into the same number.
TEST(TypeFile, NumberToNameAndBackIsTheSameNumber) {
    const std::vector<std::vector<std::string>> files = {
        {"00-X", "01-A", "02-B"}, {"01-A", "02-B", "03-C"}, {"03-C", "01-A"}, {"HEDE", "7-G", "100-H"}, {}};
    for (const auto& names : files)
        for (int number : {0, 1, 2, 3, 7, 12, 100, 255})
            EXPECT_EQ(TypeNumberOfName(TypeNameOf(names, number)), number) << names.size() << " " << number;
    EXPECT_EQ(TypeNameOf({"01-A", "02-B"}, 1), "01-A");
    EXPECT_EQ(TypeNameOf({"01-A", "02-B"}, 3), "03");
    EXPECT_EQ(TypeNumberOfName("HEDE"), 0);
    EXPECT_EQ(TypeNumberOfName("12ABC"), 12); // the first digits, as the meter list reads a type text
    EXPECT_FALSE(TypeNamesOutOfPlace({"00-X", "01-A"}));
    EXPECT_TRUE(TypeNamesOutOfPlace({"01-A", "02-B"}));
    EXPECT_TRUE(TypeNamesOutOfPlace({"00-X", "HEDE"}));
}

} // namespace
