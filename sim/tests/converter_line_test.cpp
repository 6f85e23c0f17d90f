// Converters on a real pseudo-terminal: each answers only at the rate the program set on its end
// (read back with tcgetattr on the master), moves after an address change, and finds a request
// behind noise.
#include "tev/protocol/crc.hpp"
#include "tev/sim/converter.hpp"

#include "test_port.hpp"

#include <gtest/gtest.h>

namespace tev::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::TestPort;

Bytes WithCrc(Bytes bytes) {
    const auto crc = protocol::ModbusCrc16(bytes);
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return bytes;
}

Bytes ConfigReadRequest(std::uint8_t slave) {
    return WithCrc({slave, 0x03, 0x17, 0x70, 0x00, 0x05});
}

constexpr std::size_t kConfigReply = 15; // address, function, byte count, 10 data bytes, CRC

class ConverterLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_line.add(m_slow);
        m_line.add(m_fast);
        m_line.start();
    }
    // Sends `request` at `speed`; the reply, or nothing after a while.
    Bytes ask(speed_t speed, const Bytes& request, std::size_t expected = kConfigReply) {
        TestPort port(m_line.path(), speed);
        EXPECT_TRUE(port.ok());
        return port.exchange(request, expected == 0 ? 400 : 3000, 300, expected);
    }
    std::shared_ptr<Converter> m_slow =
        std::make_shared<Converter>(ConverterConfig{.address = 1, .baudCode = 0x36, .meterCount = 2});
    std::shared_ptr<Converter> m_fast =
        std::make_shared<Converter>(ConverterConfig{.address = 2, .baudCode = 0x37, .meterCount = 2});
    Line m_line;
};

TEST_F(ConverterLineTest, EachConverterAnswersAtItsOwnRateOnly) {
    struct Case {
        speed_t speed;
        std::uint8_t address;
        bool answers;
    };
    const Case cases[] = {{B9600, 1, true},  {B9600, 2, false}, {B19200, 1, false},
                          {B19200, 2, true}, {B4800, 1, false}, {B9600, 3, false}};
    for (const auto& c : cases) {
        const Bytes reply = ask(c.speed, ConfigReadRequest(c.address), c.answers ? kConfigReply : 0);
        if (c.answers) {
            ASSERT_EQ(reply.size(), kConfigReply) << int{c.address};
            EXPECT_EQ(reply[3], c.address);
            EXPECT_EQ(WithCrc(Bytes(reply.begin(), reply.end() - 2)), reply);
        } else {
            EXPECT_TRUE(reply.empty()) << int{c.address};
        }
    }
}

TEST_F(ConverterLineTest, AddressChangeIsEchoedAtTheOldRateThenTakesEffect) {
    const Bytes change = WithCrc({0x01, 0x06, 0x17, 0x70, 0x03, 0x37}); // address 3, 19200 bit/s
    EXPECT_EQ(ask(B9600, change, change.size()), change);
    EXPECT_TRUE(ask(B9600, ConfigReadRequest(1), 0).empty());
    EXPECT_TRUE(ask(B9600, ConfigReadRequest(3), 0).empty());
    const Bytes reply = ask(B19200, ConfigReadRequest(3));
    ASSERT_EQ(reply.size(), kConfigReply);
    EXPECT_EQ(reply[3], 0x03);
    EXPECT_EQ(reply[4], 0x37);
}

TEST_F(ConverterLineTest, FindsARequestBehindNoise) {
    for (const Bytes& noise : {Bytes{0x01, 0x03}, Bytes{0xFF, 0x00, 0x01}, Bytes{0x07, 0x2B, 0x00}}) {
        Bytes request = noise;
        const Bytes read = ConfigReadRequest(1);
        request.insert(request.end(), read.begin(), read.end());
        const Bytes reply = ask(B9600, request);
        ASSERT_EQ(reply.size(), kConfigReply) << int{noise[1]};
        EXPECT_EQ(reply[3], 0x01);
    }
}

} // namespace
} // namespace tev::sim
