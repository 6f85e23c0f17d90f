// Utility exports: version, Test (called as ::Test, since gtest has its own), arithmetic helpers and the CRC.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <tev/tev_module.h>

namespace {

TEST(Utilities, VersionAndSelfTest) {
    EXPECT_EQ(Get_Dll_Version(), 0x0506);
    uint16_t w[4] = {0, 1, 0xFFFF, 7};
    float f[4] = {0.0F, 1.5F, -1.0F, 2.0F};
    char command[100] = "x";
    char reply[100] = "y";
    EXPECT_EQ(::Test(w, f, command, reply), 0);
    EXPECT_STREQ(command, "Command String Send to I7000");
    EXPECT_STREQ(reply, "Command String Receive From I7000");
    EXPECT_EQ(w[0], 1);
    EXPECT_EQ(w[2], 0); // wraps like any 16-bit slot
    EXPECT_EQ(w[3], 8);
    EXPECT_FLOAT_EQ(f[1], 2.5F);
    EXPECT_FLOAT_EQ(f[2], 0.0F);
    EXPECT_EQ(::Test(nullptr, nullptr, nullptr, nullptr), 0);
}

TEST(Utilities, Arithmetic) {
    EXPECT_EQ(Short_Sub_2(-32768, 1), -32769);
    EXPECT_EQ(Short_Sub_2(32767, -32768), 65535);
    EXPECT_FLOAT_EQ(Float_Sub_2(1.5F, 0.25F), 1.25F);
    EXPECT_EQ(IntToUnsig(-1), 0xFFFFFFFFu);
    EXPECT_EQ(IntToUnsig(-2147483647 - 1), 0x80000000u);
}

struct ShiftCase {
    int32_t value;
    int32_t count;
    int32_t left;
    int32_t right;
};

TEST(Utilities, Shifts) {
    const ShiftCase cases[] = {
        {1, 33, 2, 0},                            // the count is taken mod 32
        {-16, 2, -64, -4},                        // right shift copies the sign bit in
        {1, 31, -2147483647 - 1, 0},              // into the sign bit without overflow
        {-2147483647 - 1, 31, 0, -1},             //
        {0x12345678, 0, 0x12345678, 0x12345678},  //
        {0x12345678, 32, 0x12345678, 0x12345678}, //
        {-1, -1, -2147483647 - 1, -1},            // count -1 counts as 31
    };
    for (const ShiftCase& c : cases) {
        EXPECT_EQ(ShiftLeft(c.value, c.count), c.left) << c.value << " << " << c.count;
        EXPECT_EQ(ShiftRight(c.value, c.count), c.right) << c.value << " >> " << c.count;
    }
}

struct CrcCase {
    std::vector<uint8_t> data;
    uint32_t crc;
};

TEST(Utilities, Crc16) {
    const CrcCase cases[] = {
        {{}, 0x0000},
        {{0x41}, 0x0041},
        {{0x12, 0x34}, 0x1234},
        {{'1', '2', '3', '4', '5', '6', '7', '8', '9', 0, 0}, 0x31C3}, // CRC-16/XMODEM check value
        {{0x00, 0x01, 0x00, 0x00}, 0x1021},                            // the polynomial itself
    };
    for (const CrcCase& c : cases)
        EXPECT_EQ(GetCRC16(c.data.data(), static_cast<int32_t>(c.data.size())), c.crc) << c.data.size();
    EXPECT_EQ(GetCRC16(nullptr, 5), 0u);
    const uint8_t one = 0x41;
    EXPECT_EQ(GetCRC16(&one, -3), 0u);
}

TEST(Utilities, Crc16TableRaceFree) {
    // The first calls may come from several threads at once; each must see the whole table.
    const uint8_t data[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0, 0};
    std::vector<uint32_t> results(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&, i] { results[i] = GetCRC16(data, sizeof data); });
    for (auto& t : threads)
        t.join();
    for (uint32_t r : results)
        EXPECT_EQ(r, 0x31C3u);
    MakeCRC16Table();
    EXPECT_EQ(GetCRC16(data, sizeof data), 0x31C3u);
}

} // namespace
