#include <gtest/gtest.h>

#include <vector>

#include "bytes.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/protocol/register_map.hpp"

using namespace tev::protocol;

namespace {

std::vector<std::uint8_t> Vec(const ModbusRequest8& frame) {
    return {frame.begin(), frame.end()};
}

} // namespace

TEST(ModbusRequest, FixedFramesMatchKnownBytes) {
    struct Row {
        ModbusRequest8 frame;
        const char* expected;
    };
    const Row rows[] = {
        {BuildReadRequest(1, kRegConfigFirst, kConfigRegisterCount), "01 03 17 70 00 05 81 A6"},
        {BuildReadRequest(1, StatusRegister(0), 1), "01 03 13 88 00 01 00 A4"},
        {BuildReadRequest(1, ValueRegister(0), kValueRegisterCount), "01 03 00 00 00 04 44 09"},
        {BuildWriteSingleRequest(1, kRegAcquisitionTime, 60), "01 06 17 71 00 3C DC 74"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Vec(r.frame), Bytes(r.expected)) << r.expected;
}

TEST(ModbusRequest, WriteMultipleLayout) {
    const std::uint16_t values[] = {0x1234, 0xABCD};
    const auto result = BuildWriteMultipleRequest(0x11, 8000, values);
    ASSERT_TRUE(result);
    const auto& f = result.frame;
    ASSERT_EQ(f.size(), 9u + 4u);
    EXPECT_EQ(std::vector<std::uint8_t>(f.begin(), f.end() - 2), Bytes("11 10 1F 40 00 02 04 12 34 AB CD"));

    const auto asBytes = BuildWriteMultipleBytes(0x11, 8000, Bytes("12 34 AB CD"));
    ASSERT_TRUE(asBytes);
    EXPECT_EQ(asBytes.frame, f);
}

TEST(ModbusRequest, WriteMultipleBounds) {
    const std::vector<std::uint16_t> max(kMaxWriteRegisters, 0x0102);
    const auto full = BuildWriteMultipleRequest(1, kRegSecondaryLow, max);
    ASSERT_TRUE(full);
    EXPECT_EQ(full.frame.size(), kMaxWriteMultipleLength);
    EXPECT_EQ(full.frame[6], 246);

    struct Row {
        std::vector<std::uint8_t> data;
        RequestError error;
    };
    const Row rows[] = {
        {{}, RequestError::NoRegisters},
        {std::vector<std::uint8_t>(3, 0), RequestError::OddByteCount},
        {std::vector<std::uint8_t>(2 * kMaxWriteRegisters + 2, 0), RequestError::TooManyRegisters},
        {std::vector<std::uint8_t>(2 * kMaxWriteRegisters, 0), RequestError::Ok},
    };
    for (const Row& r : rows) {
        const auto result = BuildWriteMultipleBytes(1, 7000, r.data);
        EXPECT_EQ(result.error, r.error) << r.data.size();
        EXPECT_EQ(result.frame.empty(), r.error != RequestError::Ok);
    }
    const std::vector<std::uint16_t> tooMany(kMaxWriteRegisters + 1, 0);
    EXPECT_EQ(BuildWriteMultipleRequest(1, 7000, tooMany).error, RequestError::TooManyRegisters);
}
