#include <gtest/gtest.h>

#include <vector>

#include "bytes.hpp"
#include "tev/protocol/mbus_frame.hpp"

using namespace tev::protocol;

namespace {

template <std::size_t N> std::vector<std::uint8_t> Vec(const std::array<std::uint8_t, N>& a) {
    return {a.begin(), a.end()};
}

} // namespace

TEST(MbusFrame, AddressChangeFrames) {
    EXPECT_EQ(Vec(BuildSelectFrame({0x12, 0x34, 0x56, 0x78}, {0xFF, 0xFF, 0xFF, 0xFF})),
              Bytes("68 0B 0B 68 53 FD 52 78 56 34 12 FF FF FF FF B2 16"));
    EXPECT_EQ(Vec(BuildSetAddressFrame(0x05)), Bytes("68 06 06 68 53 FD 51 01 7A 05 21 16"));
    EXPECT_EQ(BuildSetAddressFrame(0xE4)[10], 0x00);
    for (unsigned a = 0; a < 256; ++a)
        EXPECT_EQ(BuildSetAddressFrame(static_cast<std::uint8_t>(a))[10], (a + 0x1C) % 256);
    EXPECT_EQ(Vec(BuildDeselectFrame()), Bytes("10 40 FD 3D 16"));
}

TEST(MbusFrame, LongFrameBuilderMatchesFixedFrames) {
    const auto select = BuildLongFrame(0x53, 0xFD, 0x52, Bytes("78 56 34 12 FF FF FF FF"));
    ASSERT_TRUE(select);
    EXPECT_EQ(*select, Bytes("68 0B 0B 68 53 FD 52 78 56 34 12 FF FF FF FF B2 16"));
    const auto empty = BuildLongFrame(0x53, 0xFE, 0x50, {});
    ASSERT_TRUE(empty);
    EXPECT_EQ(*empty, Bytes("68 03 03 68 53 FE 50 A1 16"));

    const std::vector<std::uint8_t> max(kMbusMaxUserData, 0x01);
    const auto full = BuildLongFrame(0x08, 0x01, 0x72, max);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->size(), kMbusMaxUserData + 9);
    EXPECT_EQ((*full)[1], 0xFF);
    const std::vector<std::uint8_t> over(kMbusMaxUserData + 1, 0x01);
    EXPECT_FALSE(BuildLongFrame(0x08, 0x01, 0x72, over));
}

TEST(MbusFrame, TypedFrameCompletion) {
    struct Row {
        const char* typed;
        std::size_t start;
        const char* sent;
    };
    const Row rows[] = {
        {"68 03 03 68 53 FE 50", kChecksumLongFrame, "68 03 03 68 53 FE 50 A1 16"},
        {"10 5B FE", kChecksumShortFrame, "10 5B FE 59 16"},
        {"10 05", kChecksumShortFrame, "10 05 05 16"},
        {"01 02 03", kChecksumLongFrame, "01 02 03 00 16"}, // start beyond the typed bytes
        {"68 04", kChecksumFromStart, "68 04 6C 16"},
        {"", kChecksumFromStart, "00 16"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(CompleteTypedFrame(Bytes(r.typed), r.start), Bytes(r.sent)) << r.typed;
}

TEST(MbusFrame, ChecksumRangeIsBounded) {
    const auto bytes = Bytes("01 02 03 04");
    EXPECT_EQ(MbusChecksumRange(bytes, 1, 3), 5);
    EXPECT_EQ(MbusChecksumRange(bytes, 0, 100), 10);
    EXPECT_EQ(MbusChecksumRange(bytes, 3, 1), 0);
    EXPECT_EQ(MbusChecksumRange(bytes, 9, 12), 0);
}
