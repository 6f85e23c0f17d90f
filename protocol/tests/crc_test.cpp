#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "tev/protocol/crc.hpp"

using tev::protocol::MbusChecksum;
using tev::protocol::ModbusCrc16;

TEST(ModbusCrc16, CheckValueAndKnownFrames) {
    constexpr std::string_view digits = "123456789";
    std::vector<std::uint8_t> bytes(digits.begin(), digits.end());
    EXPECT_EQ(ModbusCrc16(bytes), 0x4B37);

    struct Row {
        std::vector<std::uint8_t> body;
        std::uint8_t lo, hi;
    };
    const Row rows[] = {
        {{0x01, 0x03, 0x17, 0x70, 0x00, 0x05}, 0x81, 0xA6}, // configuration read of converter 1
        {{0x01, 0x03, 0x13, 0x88, 0x00, 0x01}, 0x00, 0xA4}, // status of meter 0
        {{0x01, 0x03, 0x00, 0x00, 0x00, 0x04}, 0x44, 0x09}, // values of meter 0
        {{0x01, 0x06, 0x17, 0x71, 0x00, 0x3C}, 0xDC, 0x74}, // acquisition time 60
    };
    for (const auto& r : rows) {
        const auto crc = ModbusCrc16(r.body);
        EXPECT_EQ(crc & 0xFF, r.lo);
        EXPECT_EQ(crc >> 8, r.hi);
    }
    EXPECT_EQ(ModbusCrc16({}), 0xFFFF);
}

TEST(ModbusCrc16, FrameEndsWithItsCrc) {
    std::vector<std::uint8_t> frame{0x01, 0x03, 0x17, 0x70, 0x00, 0x05, 0x81, 0xA6};
    EXPECT_TRUE(tev::protocol::ModbusCrcValid(frame));
    std::swap(frame[6], frame[7]); // high byte first is wrong
    EXPECT_FALSE(tev::protocol::ModbusCrcValid(frame));
    EXPECT_FALSE(tev::protocol::ModbusCrcValid(std::vector<std::uint8_t>{0xFF, 0xFF}));
    EXPECT_TRUE(tev::protocol::ModbusCrcValid(std::vector<std::uint8_t>{0x00, 0xBF, 0x40}));
}

TEST(MbusChecksum, SumModulo256) {
    const std::vector<std::uint8_t> deselect{0x40, 0xFD};
    EXPECT_EQ(MbusChecksum(deselect), 0x3D);
    EXPECT_EQ(MbusChecksum({}), 0);
}
