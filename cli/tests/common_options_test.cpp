#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "tev/cli/common_options.hpp"
#include "tev/cli/record_output.hpp"

using namespace tev::cli;

namespace {

constexpr std::array kOwn{OptionSpec{"address", 'a'}, OptionSpec{"fast", 0, false}};

struct Parsed {
    ParsedArgs args;
    CommonOptions common;
    std::string problem;
};

Parsed Parse(std::vector<std::string> words, bool manyRates = false) {
    Parsed out;
    out.args = ParseArgs(words, kOwn);
    out.problem = out.args.problem;
    if (out.problem.empty())
        out.problem = TakeCommonOptions(out.args, manyRates, out.common);
    return out;
}

} // namespace

TEST(CommonOptions, WordsThatParse) {
    const Parsed p = Parse({"-p", "COM3", "--rate=19200", "--parity", "even", "--timeout", "250", "--json",
                            "-a", "0x1A", "--fast", "--", "--file"});
    ASSERT_EQ(p.problem, "");
    EXPECT_EQ(p.common.port, 3);
    EXPECT_EQ(p.common.rateOr(9600), 19200u);
    EXPECT_EQ(p.common.parity, 1);
    EXPECT_EQ(p.common.timeoutMs, 250);
    EXPECT_EQ(p.common.format, OutputFormat::Json);
    EXPECT_EQ(*p.args.value("address"), "0x1A");
    EXPECT_TRUE(p.args.has("fast"));
    EXPECT_EQ(p.args.positional, std::vector<std::string>{"--file"});
    EXPECT_EQ(Parse({"-p", "1", "-b", "1200", "-b", "9600"}, true).common.rates,
              (std::vector<std::uint32_t>{1200, 9600}));
    EXPECT_EQ(Parse({"--help"}).problem, "") << "help needs no port";
}

TEST(CommonOptions, WordsThatDoNotParse) {
    const std::vector<std::vector<std::string>> cases = {
        {"-p", "1", "--bogus"},
        {"-p", "1", "--address"},
        {"-p", "1", "--fast=yes"},
        {"-p", "1", "-a", "1", "-a", "2"},
        {"-p", "1", "-b", "1200", "-b", "9600"},
        {"-p", "1", "--rate", "fast"},
        {"-p", "1", "--parity", "mark"},
        {"-p", "1", "--timeout", "0"},
        {"-p", "1", "--json", "--csv"},
        {"-p", "ttyUSB0"},
        {"--json"},
    };
    for (const auto& words : cases)
        EXPECT_NE(Parse(words).problem, "") << words.back();
}

TEST(CommonOptions, Numbers) {
    EXPECT_EQ(ParseNumber("17", 1, 255), 17);
    EXPECT_EQ(ParseNumber("0x1a", 1, 255), 26);
    for (const char* wrong : {"", "0", "256", "-1", "1 ", "+5", "0x", "12a"})
        EXPECT_FALSE(ParseNumber(wrong, 1, 255)) << wrong;
}

TEST(RecordOutput, TextJsonAndCsv) {
    Record record;
    record.add("address", 1)
        .add("name", "ZEDU-MODBUS模块 x")
        .add("flow", 2.5)
        .add("stale", false)
        .addNull("serial");
    EXPECT_EQ(TextLine(record), "address=1 name=\"ZEDU-MODBUS模块 x\" flow=2.5 stale=false serial=\"\"");
    EXPECT_EQ(JsonLine(record),
              R"({"address":1,"name":"ZEDU-MODBUS模块 x","flow":2.5,"stale":false,"serial":null})");
    EXPECT_EQ(CsvHeader(record), "address,name,flow,stale,serial");
    Record quoted;
    quoted.add("report", "a,\"b\"");
    EXPECT_EQ(CsvLine(quoted), "\"a,\"\"b\"\"\"");

    std::ostringstream out;
    RecordPrinter printer(out, OutputFormat::Csv);
    printer.print(record);
    printer.print(record);
    printer.print(quoted);
    EXPECT_EQ(out.str(), "address,name,flow,stale,serial\n1,ZEDU-MODBUS模块 x,2.5,false,\n"
                         "1,ZEDU-MODBUS模块 x,2.5,false,\nreport\n\"a,\"\"b\"\"\"\n");
}
