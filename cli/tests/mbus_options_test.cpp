#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "tev/cli/mbus_options.hpp"

using namespace tev;
using namespace tev::cli;

namespace {

constexpr std::array kSpecs{OptionSpec{"id"}, OptionSpec{"new-address"}, OptionSpec{"manufacturer"}};

std::optional<link::AddressRequest> Request(const std::vector<std::string>& words, std::string& problem) {
    return ManualAddressRequest(ParseArgs(words, kSpecs), problem);
}

} // namespace

TEST(MbusOptions, ManualAddressFields) {
    std::string problem;
    const auto request = Request({"--id", "12345678", "--new-address", "0x0A"}, problem);
    ASSERT_TRUE(request) << problem;
    EXPECT_EQ(request->identification, (std::array<std::uint8_t, 4>{0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(request->manufacturer, (std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(request->address, 10);
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"--id", "1234567", "--new-address", "5"},
             {"--id", "1234567X", "--new-address", "5"},
             {"--id", "12345678"},
             {"--id", "12345678", "--new-address", "251"},
             {"--id", "12345678", "--new-address", "5", "--manufacturer", "2C2D"}}) {
        problem.clear();
        EXPECT_FALSE(Request(words, problem)) << words.back();
        EXPECT_NE(problem, "");
    }
}

TEST(MbusOptions, LineRateAndParity) {
    CommonOptions common;
    std::string problem;
    EXPECT_EQ(MbusRateOf(common, problem), 2400u);
    common.rates = {38400};
    common.parity = 1;
    EXPECT_EQ(MbusRateOf(common, problem), 38400u);
    common.rates = {57600};
    EXPECT_FALSE(MbusRateOf(common, problem));
    common.rates = {2400};
    common.parity = 0;
    EXPECT_FALSE(MbusRateOf(common, problem)) << "the meters' line runs even parity";
}
