// The graph display's reply decoding, geometry, sample store and CSV.
#include <gtest/gtest.h>

#include <cmath>

#include "tev/link/graph_reply.hpp"
#include "tev/link/graph_samples.hpp"

namespace tev::link {
namespace {

TEST(GraphReply, Commands) {
    EXPECT_EQ(GraphStatusCommand("01"), "$016");
    EXPECT_EQ(GraphValueCommand("01", 0), "#010");
    EXPECT_EQ(GraphStatusCommand("A3"), "$A36");
    EXPECT_EQ(GraphValueCommand("A3", 7), "#A37");
}

TEST(GraphReply, Temperatures) {
    struct Case {
        std::uint8_t low, high;
        double celsius;
        const char* text;
    };
    const Case cases[] = {
        {0xD0, 0x07, 125.0, "125.000℃"},    {0x90, 0xFC, -55.0, "-55.000℃"},   {0xF8, 0x00, 15.5, "15.500℃"},
        {0x00, 0x00, 0.0, "0.000℃"},        {0x00, 0xF8, -128.0, "-128.000℃"}, // first negative high byte
        {0xFF, 0xF7, 127.9375, "127.938℃"},                                    // 0xF7: only its low 3 bits
        {0xFF, 0xFF, -0.0625, "-0.062℃"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.low) << ' ' << int(c.high));
        EXPECT_DOUBLE_EQ(DecodeTemperature(c.low, c.high), c.celsius);
        EXPECT_EQ(FormatTemperature(DecodeTemperature(c.low, c.high)), c.text);
    }
}

TEST(GraphReply, StatusCount) {
    struct Case {
        std::string_view reply;
        int channel;
        GraphStatusError error;
        int count;
    };
    const Case cases[] = {
        {"!01000804000000000000", 0, GraphStatusError::None, 8},
        {"!01000804000000000000", 1, GraphStatusError::None, 4},
        {"!010000000000000000FF", 7, GraphStatusError::None, 255},
        {"!0100ab00000000000000", 0, GraphStatusError::None, 0xAB},
        {"!0100080400000000000", 0, GraphStatusError::TooShort, 0}, // 20 characters
        {"", 0, GraphStatusError::TooShort, 0},
        {"!0100G804000000000000", 0, GraphStatusError::NotHex, 0},
        {"!01000 04000000000000", 0, GraphStatusError::NotHex, 0},
        {"!01000804000000000000", 8, GraphStatusError::TooShort, 0}, // no field for a ninth channel
        {"!01000804000000000000", -1, GraphStatusError::TooShort, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.reply) + " channel " + std::to_string(c.channel));
        const GraphStatus status = ParseGraphStatus(c.reply, c.channel);
        EXPECT_EQ(status.error, c.error);
        EXPECT_EQ(status.count, c.count);
    }
}

TEST(GraphReply, ValuesOfAShortReplyAreOnlyThoseReceived) {
    // '>' "01" '0' n=3, then three values 25.0, -55.0, 125.0, byte sum, CR.
    const std::vector<std::uint8_t> reply = {'>',  '0', '1', '0',  3,    0x90, 0x01, 0,    0,   0x90,
                                             0xFC, 0,   0,   0xD0, 0x07, 0,    0,    0x5A, 0x0D};
    ASSERT_EQ(reply.size(), GraphValueReplyLength(3));
    const auto all = DecodeGraphValues(reply, 3);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0], 25.0);
    EXPECT_EQ(all[1], -55.0);
    EXPECT_EQ(all[2], 125.0);
    // Cut after the low byte of the second value: only the first is there.
    const auto cut = DecodeGraphValues(std::span(reply).first(10), 3);
    EXPECT_EQ(cut[0], 25.0);
    EXPECT_FALSE(cut[1]);
    EXPECT_FALSE(cut[2]);
    EXPECT_EQ(DecodeGraphValues(reply, 1000).size(), std::size_t(kGraphMaxValues));
    EXPECT_TRUE(DecodeGraphValues(reply, -1).empty());
}

TEST(GraphReply, CurvesShowTheirChannelsValue) {
    const std::vector<std::optional<double>> values = {1.0, 2.0, std::nullopt, 4.0};
    const auto curves = CurveValues(values, {3, 0, 2, 64});
    EXPECT_EQ(curves[0], 4.0);
    EXPECT_EQ(curves[1], 1.0);
    EXPECT_FALSE(curves[2]); // not received
    EXPECT_FALSE(curves[3]); // beyond the reply
}

TEST(GraphGeometry, SamplesAndValuesMapToTheGrid) {
    EXPECT_EQ(SampleX(0), 30.0);
    EXPECT_EQ(SampleX(231), 723.0); // the 232nd sample, just inside the axis end
    EXPECT_EQ(SampleX(232), double(GraphGeometry::right)); // the 233rd on the arrow tip
    EXPECT_GT(SampleX(233), double(GraphGeometry::right));
    EXPECT_EQ(ValueY(25, 15, 35), 225.0); // half-way between 400 and 50
    EXPECT_EQ(ValueY(15, 15, 35), 400.0);
    EXPECT_EQ(ValueY(35, 15, 35), 50.0);
    EXPECT_EQ(ValueY(-20, -30, 0), 400.0 - 350.0 / 3.0);
    EXPECT_EQ(ValueY(20, 20, 20), 400.0); // refused range: bottom line, no division by zero
    EXPECT_EQ(ValueY(20, 30, 20), 400.0);
    EXPECT_FALSE(IsValidRange(20, 20));
    EXPECT_FALSE(IsValidRange(35, 15));
    const auto labels = RangeLabels(15, 35);
    EXPECT_EQ(labels.front(), "15.0");
    EXPECT_EQ(labels[5], "25.0");
    EXPECT_EQ(labels.back(), "35.0");
    EXPECT_EQ(RangeLabels(-30, 1)[1], "-26.9");
}

TEST(GraphSamples, StoreStopsAtItsLimit) {
    GraphSamples samples;
    const GraphSample sample{std::chrono::system_clock::now(), {1.0, 2.0, 3.0, 4.0}};
    for (std::size_t i = 0; i < kGraphMaxSamples; ++i)
        ASSERT_TRUE(samples.add(sample));
    EXPECT_TRUE(samples.full());
    EXPECT_FALSE(samples.add(sample)); // the 20 001st
    EXPECT_EQ(samples.size(), kGraphMaxSamples);
}

TEST(GraphSamples, Csv) {
    GraphSamples samples;
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 7;
    local.tm_hour = 13;
    local.tm_min = 5;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    const auto time = std::chrono::system_clock::from_time_t(std::mktime(&local));
    samples.add({time, {25.0, -19.9375, std::nullopt, 125.0}});
    samples.add({time + std::chrono::milliseconds(1500), {1.0, 2.0, 3.0, 4.0}});
    EXPECT_EQ(GraphSamplesCsv(samples, {1, 2, 3, 64}), "时间,第1通道(℃),第2通道(℃),第3通道(℃),第64通道(℃)\r\n"
                                                       "2026-12-07 13:05:09,25.000,-19.938,,125.000\r\n"
                                                       "2026-12-07 13:05:10,1.000,2.000,3.000,4.000\r\n");
    EXPECT_EQ(GraphSamplesCsv(GraphSamples{}, {1, 2, 3, 4}),
              "时间,第1通道(℃),第2通道(℃),第3通道(℃),第4通道(℃)\r\n");
}

} // namespace
} // namespace tev::link
