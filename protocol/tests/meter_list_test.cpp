#include <gtest/gtest.h>

#include <vector>

#include "bytes.hpp"
#include "tev/protocol/hex_input.hpp"
#include "tev/protocol/meter_list.hpp"
#include "tev/protocol/modbus_reply.hpp"

using namespace tev::protocol;

namespace {

std::vector<std::uint8_t> Header(std::span<const std::uint8_t> frame, std::size_t n) {
    return {frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(n)};
}

} // namespace

TEST(MeterList, ReadsOfFortyMeters) {
    EXPECT_EQ(Header(BuildSecondaryLowRead(1, 40), 6), Bytes("01 03 1B 58 00 60"));  // 96 registers
    EXPECT_EQ(Header(BuildSecondaryHighRead(1, 40), 6), Bytes("01 03 1B B8 00 18")); // 24 registers
    EXPECT_EQ(Header(BuildMeterTypesRead(1), 6), Bytes("01 03 1F 40 00 20"));
}

TEST(MeterList, WritesOfFortyMetersRoundTrip) {
    std::vector<SecondaryAddress> meters(40);
    for (std::size_t k = 0; k < meters.size(); ++k)
        meters[k] = SecondaryAddressFromText(std::to_string(k + 1));
    const auto blocks = SplitSecondaryBlocks(meters.size());
    const auto low = BuildSecondaryAddressWrite(1, kRegSecondaryLow, std::span(meters).first(blocks.low));
    const auto high =
        BuildSecondaryAddressWrite(1, kRegSecondaryHigh, std::span(meters).subspan(32, blocks.high));
    ASSERT_TRUE(low);
    ASSERT_TRUE(high);
    EXPECT_EQ(Header(low.frame, 7), Bytes("01 10 1B 58 00 60 C0"));
    EXPECT_EQ(Header(high.frame, 7), Bytes("01 10 1B B8 00 18 30"));
    EXPECT_EQ(low.frame.size(), 9u + 192u);

    // The data of the written block read back give the same serial texts.
    const auto data = std::span(low.frame).subspan(7, 192);
    EXPECT_EQ(SecondaryAddressText(data, 0), "000000000001");
    EXPECT_EQ(SecondaryAddressText(data, 31), "000000000032");
    EXPECT_EQ(SecondaryAddressText(data, 32), "");

    const std::vector<std::uint8_t> echo(low.frame.begin(), low.frame.begin() + 6);
    std::vector<std::uint8_t> reply = echo;
    AppendModbusCrc(reply);
    EXPECT_TRUE(CheckModbusReply(low.frame, reply));
}

TEST(MeterList, TypeWritePadsAnOddCount) {
    const auto odd = BuildMeterTypeWrite(1, Bytes("01 02 03"));
    ASSERT_TRUE(odd);
    EXPECT_EQ(Header(odd.frame, 11), Bytes("01 10 1F 40 00 02 04 01 02 03 00"));
    const std::vector<std::uint8_t> forty(40, 7);
    const auto even = BuildMeterTypeWrite(1, forty);
    ASSERT_TRUE(even);
    EXPECT_EQ(even.frame[5], 20); // 20 registers from 8000
    EXPECT_EQ(MeterTypeText(Bytes("0A 1B"), 1), "1B");
    EXPECT_EQ(MeterTypeText(Bytes("0A 1B"), 2), "");
}

TEST(MeterList, RefusesMoreThanTheConverterHolds) {
    const std::vector<SecondaryAddress> tooMany(33);
    EXPECT_EQ(BuildSecondaryAddressWrite(1, kRegSecondaryLow, tooMany).error, RequestError::TooManyRegisters);
    EXPECT_EQ(BuildSecondaryAddressWrite(1, kRegSecondaryLow, {}).error, RequestError::NoRegisters);
    const std::vector<std::uint8_t> types(65, 1);
    EXPECT_EQ(BuildMeterTypeWrite(1, types).error, RequestError::TooManyRegisters);
    EXPECT_EQ(BuildMeterTypeWrite(1, {}).error, RequestError::NoRegisters);
}
