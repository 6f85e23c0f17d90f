// The converter simulator frame by frame: register map, writes, exceptions, address and rate change.
#include "tev/sim/converter.hpp"

#include "tev/protocol/crc.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

namespace tev::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes WithCrc(Bytes bytes) {
    const auto crc = protocol::ModbusCrc16(bytes);
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return bytes;
}

Bytes ReadRequest(std::uint8_t slave, std::uint16_t start, std::uint16_t count) {
    return WithCrc({slave, 0x03, static_cast<std::uint8_t>(start >> 8), static_cast<std::uint8_t>(start),
                    static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count)});
}

Bytes WriteSingle(std::uint8_t slave, std::uint16_t reg, std::uint16_t value) {
    return WithCrc({slave, 0x06, static_cast<std::uint8_t>(reg >> 8), static_cast<std::uint8_t>(reg),
                    static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

Bytes WriteMultiple(std::uint8_t slave, std::uint16_t start, const Bytes& data) {
    const auto count = static_cast<std::uint16_t>(data.size() / 2);
    Bytes frame{slave,
                0x10,
                static_cast<std::uint8_t>(start >> 8),
                static_cast<std::uint8_t>(start),
                static_cast<std::uint8_t>(count >> 8),
                static_cast<std::uint8_t>(count),
                static_cast<std::uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    return WithCrc(frame);
}

class ConverterTest : public ::testing::Test {
  protected:
    ConverterConfig m_config{.address = 1,
                             .baudCode = 0x36,
                             .acquisitionTime = 60,
                             .meterType = 2,
                             .meterCount = 3,
                             .parity = 0,
                             .mode = 1};
    Converter m_converter{m_config, SampleMeters(3, 12345678)};
    LineState m_line{9600, 10};

    Bytes ask(const Bytes& frame, LineState line) {
        EXPECT_EQ(m_converter.frameLength(frame), frame.size());
        return m_converter.answer(frame, line).bytes;
    }
    Bytes ask(const Bytes& frame) { return ask(frame, m_line); }
};

TEST_F(ConverterTest, ConfigurationReadMatchesTheKnownFrames) {
    const Bytes request = ReadRequest(1, 6000, 5);
    EXPECT_EQ(request, (Bytes{0x01, 0x03, 0x17, 0x70, 0x00, 0x05, 0x81, 0xA6}));
    EXPECT_EQ(ask(request),
              WithCrc({0x01, 0x03, 0x0A, 0x01, 0x36, 0x00, 0x3C, 0x02, 0x03, 0x00, 0x00, 0x00, 0x01}));
}

TEST_F(ConverterTest, RefusesWhatARealSlaveRefuses) {
    struct Case {
        const char* what;
        Bytes request;
        Bytes reply; // empty: silence
    };
    const Case cases[] = {
        {"other address", ReadRequest(2, 6000, 5), {}},
        {"read input registers", WithCrc({1, 0x04, 0, 0, 0, 1}), WithCrc({1, 0x84, 0x01})},
        {"unknown function", WithCrc({1, 0x2B, 0x0E, 0x01, 0x00}), WithCrc({1, 0xAB, 0x01})},
        {"register after the configuration", ReadRequest(1, 6005, 1), WithCrc({1, 0x83, 0x02})},
        {"range running past the configuration", ReadRequest(1, 6003, 3), WithCrc({1, 0x83, 0x02})},
        {"gap between blocks", ReadRequest(1, 287, 2), WithCrc({1, 0x83, 0x02})},
        {"zero registers", ReadRequest(1, 6000, 0), WithCrc({1, 0x83, 0x03})},
        {"126 registers", ReadRequest(1, 0, 126), WithCrc({1, 0x83, 0x03})},
        {"write to meter data", WriteSingle(1, 5000, 1), WithCrc({1, 0x86, 0x02})},
        {"acquisition time 2", WriteSingle(1, 6001, 2), WithCrc({1, 0x86, 0x03})},
        {"acquisition time 10000", WriteSingle(1, 6001, 10000), WithCrc({1, 0x86, 0x03})},
        {"unknown baud code", WriteSingle(1, 6000, 0x0240), WithCrc({1, 0x86, 0x03})},
        {"address 0", WriteSingle(1, 6000, 0x0036), WithCrc({1, 0x86, 0x03})},
        {"65 meters", WriteSingle(1, 6002, 0x0241), WithCrc({1, 0x86, 0x03})},
        {"parity 3", WriteSingle(1, 6003, 3), WithCrc({1, 0x86, 0x03})},
        {"multiple write past the types", WriteMultiple(1, 8031, {0, 0, 0, 0}), WithCrc({1, 0x90, 0x02})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ask(c.request), c.reply) << c.what;
    EXPECT_EQ(m_converter.config().acquisitionTime, 60) << "refused writes change nothing";
}

TEST_F(ConverterTest, DamagedRequestsAreNoFrameAndGetNoAnswer) {
    Bytes badCrc = ReadRequest(1, 6000, 5);
    badCrc.back() ^= 1;
    EXPECT_EQ(m_converter.frameLength(badCrc), kNotAFrame);
    EXPECT_TRUE(m_converter.answer(badCrc, m_line).bytes.empty());
    Bytes wrongByteCount = WriteMultiple(1, 6001, {0, 90});
    wrongByteCount[6] = 4; // announces two more bytes than the frame holds
    EXPECT_EQ(m_converter.frameLength(wrongByteCount), 0u) << "waits for the announced bytes";
    wrongByteCount.insert(wrongByteCount.end(), {0, 0});
    EXPECT_EQ(m_converter.frameLength(wrongByteCount), kNotAFrame);
    EXPECT_EQ(m_converter.config().acquisitionTime, 60);
}

TEST_F(ConverterTest, AnswersOnlyAtItsOwnRate) {
    EXPECT_TRUE(ask(ReadRequest(1, 6000, 5), {19200, 10}).empty());
    EXPECT_TRUE(ask(ReadRequest(1, 6000, 5), {0, 10}).empty());
    EXPECT_FALSE(ask(ReadRequest(1, 6000, 5), {9600, 11}).empty());
}

TEST_F(ConverterTest, AddressChangeAnswersAtTheOldAddressThenMoves) {
    const Bytes request = WriteSingle(1, 6000, 0x0237);
    EXPECT_EQ(ask(request), request);
    EXPECT_TRUE(ask(ReadRequest(1, 6000, 5)).empty());
    EXPECT_TRUE(ask(ReadRequest(2, 6000, 5)).empty()) << "still at 9600";
    const Bytes reply = ask(ReadRequest(2, 6000, 5), {19200, 10});
    ASSERT_EQ(reply.size(), 15u);
    EXPECT_EQ(reply[3], 0x02);
    EXPECT_EQ(reply[4], 0x37);
}

TEST_F(ConverterTest, SimpleWritesAreEchoedAndStored) {
    EXPECT_EQ(ask(WriteSingle(1, 6001, 60)), (Bytes{0x01, 0x06, 0x17, 0x71, 0x00, 0x3C, 0xDC, 0x74}));
    ask(WriteSingle(1, 6001, 9999));
    ask(WriteSingle(1, 6002, 0x0528));
    ask(WriteSingle(1, 6003, 2));
    const auto config = m_converter.config();
    EXPECT_EQ(config.acquisitionTime, 9999);
    EXPECT_EQ(config.meterType, 5);
    EXPECT_EQ(config.meterCount, 40);
    EXPECT_EQ(config.parity, 2);
}

TEST_F(ConverterTest, BroadcastWritesAreCarriedOutSilently) {
    EXPECT_TRUE(ask(WriteSingle(0, 6001, 120)).empty());
    EXPECT_EQ(m_converter.config().acquisitionTime, 120);
    EXPECT_TRUE(ask(ReadRequest(0, 6000, 5)).empty());
}

TEST_F(ConverterTest, MeterListOfFortyMetersRoundTrips) {
    ask(WriteSingle(1, 6002, 0x0128));
    Bytes low(6 * 32), high(6 * 8), types(40);
    for (std::size_t i = 0; i < low.size(); ++i)
        low[i] = static_cast<std::uint8_t>(i);
    for (std::size_t i = 0; i < high.size(); ++i)
        high[i] = static_cast<std::uint8_t>(0xA0 + i);
    for (std::size_t i = 0; i < types.size(); ++i)
        types[i] = static_cast<std::uint8_t>(i % 12);
    EXPECT_EQ(ask(WriteMultiple(1, 8000, types)), WithCrc({1, 0x10, 0x1F, 0x40, 0x00, 0x14}));
    EXPECT_EQ(ask(WriteMultiple(1, 7096, high)), WithCrc({1, 0x10, 0x1B, 0xB8, 0x00, 0x18}));
    EXPECT_EQ(ask(WriteMultiple(1, 7000, low)), WithCrc({1, 0x10, 0x1B, 0x58, 0x00, 0x60}));

    const Bytes first = ask(ReadRequest(1, 7000, 96));
    ASSERT_EQ(first.size(), 5u + 192u);
    EXPECT_TRUE(std::equal(low.begin(), low.end(), first.begin() + 3));
    const Bytes second = ask(ReadRequest(1, 7096, 24));
    ASSERT_EQ(second.size(), 5u + 48u);
    EXPECT_TRUE(std::equal(high.begin(), high.end(), second.begin() + 3));
    const Bytes typeReply = ask(ReadRequest(1, 8000, 32));
    ASSERT_EQ(typeReply.size(), 5u + 64u);
    EXPECT_TRUE(std::equal(types.begin(), types.end(), typeReply.begin() + 3));
    EXPECT_EQ(m_converter.entry(33).secondary[0], 0xA6);
    EXPECT_EQ(m_converter.entry(39).type, 39 % 12);
}

TEST_F(ConverterTest, MeterValuesStatusAndCounters) {
    const Bytes status = ask(Bytes{0x01, 0x03, 0x13, 0x88, 0x00, 0x01, 0x00, 0xA4});
    EXPECT_EQ(status, WithCrc({1, 3, 2, 0x01, 0x00}));
    const Bytes values = ask(Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x04, 0x44, 0x09});
    ASSERT_EQ(values.size(), 13u);
    EXPECT_EQ(Bytes(values.begin() + 3, values.begin() + 7), (Bytes{0x00, 0xBC, 0x61, 0x4E})); // 12345678
    const auto flowBits = std::uint32_t{values[7]} << 24 | std::uint32_t{values[8]} << 16 |
                          std::uint32_t{values[9]} << 8 | values[10];
    EXPECT_NEAR(std::bit_cast<float>(flowBits), 10.0F, 0.01F);
    // Meter 5 lies beyond the three configured meters: it reads as zeros.
    EXPECT_EQ(ask(ReadRequest(1, 20, 4)), WithCrc({1, 3, 8, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ask(ReadRequest(1, 5005, 1)), WithCrc({1, 3, 2, 0, 0}));
    // Counter entries 64..71 are always there.
    EXPECT_EQ(ask(ReadRequest(1, 5064, 8)).size(), 5u + 16u);
    EXPECT_EQ(ask(ReadRequest(1, 256, 32)).size(), 5u + 64u);
}

TEST_F(ConverterTest, AccumulatedFlowAdvances) {
    const auto now = Converter::Clock::now();
    EXPECT_GT(m_converter.flowAt(0, now + std::chrono::hours(1)), m_converter.flowAt(0, now) + 0.4F);
}

TEST(ConverterFraming, FindsTheEndOfEachRequest) {
    const Converter converter;
    const auto withTail = [](Bytes frame) {
        frame.insert(frame.end(), {0x01, 0x03});
        return frame;
    };
    const Bytes readFrame = ReadRequest(1, 6000, 5);
    const Bytes writeFrame = WriteMultiple(1, 8000, {1, 2});
    EXPECT_EQ(converter.frameLength(Bytes{0x01}), 0u);
    EXPECT_EQ(converter.frameLength(Bytes(readFrame.begin(), readFrame.begin() + 7)), 0u);
    EXPECT_EQ(converter.frameLength(withTail(readFrame)), 8u)
        << "the next request's bytes are not part of it";
    EXPECT_EQ(converter.frameLength(Bytes(writeFrame.begin(), writeFrame.begin() + 5)), 0u);
    EXPECT_EQ(converter.frameLength(Bytes(writeFrame.begin(), writeFrame.begin() + 10)), 0u);
    EXPECT_EQ(converter.frameLength(withTail(writeFrame)), 11u);
    EXPECT_EQ(converter.frameLength(Bytes{0x01, 0x2B, 0x0E}), 0u) << "unknown function without its CRC yet";
    EXPECT_EQ(converter.frameLength(Bytes{0x07, 0x2B, 0x0E}), kNotAFrame)
        << "unknown function to another slave";
    EXPECT_EQ(converter.frameLength(Bytes(300, 0x2B)), kNotAFrame);
    Bytes noiseFirst{0x01, 0x03};
    noiseFirst.insert(noiseFirst.end(), readFrame.begin(), readFrame.end());
    EXPECT_EQ(converter.frameLength(noiseFirst), kNotAFrame) << "noise ahead of a request";
    EXPECT_EQ(converter.frameLength(std::span(noiseFirst).subspan(2)), 8u);
}

} // namespace
} // namespace tev::sim
