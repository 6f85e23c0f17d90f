#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tev/cli/config_steps.hpp"
#include "tev/link/converter_settings.hpp"

using namespace tev;
using namespace tev::cli;

namespace {

std::optional<ConfigChange> Change(std::vector<std::string> words, std::string& problem) {
    words.insert(words.begin(), {"-a", "1"});
    constexpr std::array kSpecs{
        OptionSpec{"address", 'a'},     OptionSpec{"new-address"}, OptionSpec{"new-rate"},
        OptionSpec{"acquisition-time"}, OptionSpec{"meters"},      OptionSpec{"type"},
        OptionSpec{"new-parity"},
    };
    return ParseConfigChange(ParseArgs(words, kSpecs), problem);
}

protocol::ConverterConfig Present() {
    protocol::ConverterConfig config;
    config.address = 1;
    config.baudCode = 0x36; // 9600
    config.acquisitionTime = 60;
    config.meterType = 7;
    config.meterCount = 8;
    return config;
}

} // namespace

// The writes that move the converter go last, and what a change keeps comes from the converter.
TEST(ConfigSteps, OrderAndKeptValues) {
    std::string problem;
    const auto change =
        Change({"--new-address", "10", "--new-parity", "odd", "--meters", "12", "--acquisition-time", "90"},
               problem);
    ASSERT_TRUE(change) << problem;
    const auto steps = PlanConfigSteps(*change, Present(), problem);
    std::vector<std::string_view> names;
    for (const ConfigStep& step : steps)
        names.push_back(step.name);
    EXPECT_EQ(names, (std::vector<std::string_view>{"acquisition-time", "type-and-count", "parity",
                                                    "address-and-rate"}));
    EXPECT_EQ(steps[1].frame, link::BuildTypeAndCountWrite(1, "7", "12").frame)
        << "the converter's type kept";
    EXPECT_EQ(steps[3].frame, link::BuildAddressBaudWrite(1, "0A", 2).frame) << "its rate kept";
    const auto expected = ExpectedConfig(*change, Present());
    EXPECT_EQ(expected.address, 10);
    EXPECT_EQ(expected.parity, 2);
    EXPECT_EQ(expected.meterType, 7);
    EXPECT_EQ(expected.meterCount, 12);
    EXPECT_EQ(expected.baudCode, 0x36);
}

TEST(ConfigSteps, RefusedChanges) {
    for (const std::vector<std::string>& words :
         std::vector<std::vector<std::string>>{{},
                                               {"--meters", "65"},
                                               {"--acquisition-time", "2"},
                                               {"--new-rate", "1200"},
                                               {"--new-parity", "space"},
                                               {"--new-address", "0"},
                                               {"--type", "256"}}) {
        std::string problem;
        EXPECT_FALSE(Change(words, problem)) << (words.empty() ? "nothing" : words.front());
        EXPECT_NE(problem, "");
    }
    std::string problem;
    auto present = Present();
    present.baudCode = 0x99;
    EXPECT_TRUE(PlanConfigSteps(*Change({"--new-address", "3"}, problem), present, problem).empty())
        << "no rate to keep";
    EXPECT_NE(problem, "");
}
