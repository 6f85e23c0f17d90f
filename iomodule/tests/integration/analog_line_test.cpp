// Analog input and output functions through uart against the simulated modules.
#include "module_line.hpp"

namespace tev::iomodule::testing {
namespace {

class AnalogLine : public ModuleLine {
  protected:
    template <class Slot>
    std::uint16_t call(std::uint16_t (*fn)(Slot*, float*, char*, char*), std::array<Slot, 12>& w) {
        return fn(w.data(), m_f.data(), m_command.data(), m_reply.data());
    }
};

TEST_F(AnalogLine, ReadsOneChannelWithChecksumOffAndOn) {
    struct Case {
        std::uint8_t address;
        bool checksum;
    };
    for (const Case c : {Case{0x06, false}, Case{0x50, true}}) {
        ASSERT_TRUE(withBank([&](auto& bank) { return bank.setAnalogInput(c.address, 3, 1.5); }));
        auto w = block<std::uint16_t>(c.address, 0x7017, c.checksum);
        w[5] = 3;
        EXPECT_EQ(call(AnalogIn, w), 0) << m_reply.data();
        EXPECT_NEAR(m_f[0], 1.5F, 0.001F);
        EXPECT_EQ(std::string(m_command.data()), c.address == 0x06 ? "#063" : "#503");
    }
}

TEST_F(AnalogLine, ScansEightChannels) {
    for (int ch = 0; ch < 8; ++ch)
        withBank([&](auto& bank) { return bank.setAnalogInput(0x06, ch, ch - 3.25); });
    auto w = block<std::uint16_t>(0x06, 0x7017);
    ASSERT_EQ(call(AnalogInAll, w), 0) << m_reply.data();
    for (int ch = 0; ch < 8; ++ch)
        EXPECT_NEAR(m_f[ch], ch - 3.25, 0.001) << ch;
}

TEST_F(AnalogLine, ScansThe7033ChannelByChannel) {
    const double values[] = {1.25, -2.5, 3.75};
    for (int ch = 0; ch < 3; ++ch)
        withBank([&](auto& bank) { return bank.setAnalogInput(0x08, ch, values[ch]); });
    auto w = block<std::uint16_t>(0x08, 0x7033);
    m_f.fill(9.0F);
    ASSERT_EQ(call(AnalogInAll, w), 0) << m_reply.data();
    for (int ch = 0; ch < 3; ++ch)
        EXPECT_NEAR(m_f[ch], values[ch], 0.001) << ch;
    EXPECT_EQ(m_f[6], 0.0F);
    EXPECT_EQ(m_f[7], 9.0F);
    EXPECT_EQ(w[5], 2);
    EXPECT_EQ(std::string(m_command.data()), "#082"); // the last of the four exchanges
}

TEST_F(AnalogLine, ReadsAll7017ChannelsInHexWithChecksumOffAndOn) {
    for (const std::uint8_t address : {std::uint8_t{0x06}, std::uint8_t{0x50}}) {
        for (int ch = 0; ch < 8; ++ch)
            withBank([&](auto& bank) { return bank.setAnalogInput(address, ch, 2.5 * (ch - 4)); });
        auto w = block<std::uint16_t>(address, 8, address == 0x50); // range code 8: +/-10 V
        ASSERT_EQ(call(In8_7017, w), 0) << m_reply.data();
        for (int ch = 0; ch < 8; ++ch)
            EXPECT_NEAR(m_f[ch], 2.5 * (ch - 4), 0.001) << ch;
    }
}

TEST_F(AnalogLine, WritesAndReadsBackAnOutput) {
    auto w = block<std::uint16_t>(0x0B, 0x7024);
    w[5] = 1;
    m_f[0] = 2.5F;
    ASSERT_EQ(call(AnalogOut, w), 0) << m_reply.data();
    EXPECT_NEAR(withBank([](auto& bank) { return bank.analogOutput(0x0B, 1).value_or(-99.0); }), 2.5, 1e-6);
    w[5] = 0; // selector: the output value
    w[7] = 1; // channel
    m_f[0] = -1.0F;
    ASSERT_EQ(call(AnalogOutReadBack, w), 0) << m_reply.data();
    EXPECT_NEAR(m_f[0], 2.5F, 0.001F);
}

TEST_F(AnalogLine, WritesThe7021DigitForm) {
    auto w = block<std::uint16_t>(0x09, 0x7021);
    m_f[0] = 4.5F;
    ASSERT_EQ(call(AnalogOut, w), 0) << m_reply.data();
    EXPECT_EQ(std::string(m_command.data()), "#0904.500");
    EXPECT_NEAR(withBank([](auto& bank) { return bank.analogOutput(0x09, 0).value_or(-99.0); }), 4.5, 1e-6);
}

TEST_F(AnalogLine, CardsOfBothKinds) {
    withBank([](auto& bank) { return bank.setAnalogInput(0x20, 2, 4.25, 0); });
    auto card = block<std::uint32_t>(0x20, 0x8017);
    card[5] = 2;
    card[7] = 0;
    ASSERT_EQ(call(AnalogIn_8K, card), 0) << m_reply.data();
    EXPECT_NEAR(m_f[0], 4.25F, 0.001F);

    withBank([](auto& bank) { return bank.setAnalogInput(0x31, 6, -0.5); });
    auto k87 = block<std::uint32_t>(0x31, 0x87017);
    k87[5] = 6;
    ASSERT_EQ(call(AnalogIn_87K, k87), 0) << m_reply.data();
    EXPECT_NEAR(m_f[0], -0.5F, 0.001F);
}

TEST_F(AnalogLine, RefusalIsAnInvalidReply) {
    // A 7017 does not know the thermocouple command of a 7011 and answers '?'.
    auto w = block<std::uint16_t>(0x06, 0x7011);
    EXPECT_EQ(call(ThermocoupleOpen_7011, w), TEV_MODULE_INVALID_REPLY);
    EXPECT_EQ(m_reply[0], '?');
}

TEST_F(AnalogLine, NoModuleTimesOutAndClearsTheValue) {
    auto w = block<std::uint16_t>(0x7E, 0x7012);
    w[4] = 100;
    m_f[0] = 5.0F;
    EXPECT_EQ(call(AnalogIn, w), UART_TIMEOUT);
    EXPECT_EQ(m_f[0], 0.0F);
    EXPECT_EQ(std::string(m_reply.data()), "");
}

TEST_F(AnalogLine, ChecksumFlagOnAgainstAModuleWithoutChecksum) {
    // The module takes the checksum characters for part of the command and refuses it, or stays
    // silent; either way the call fails without a value.
    auto w = block<std::uint16_t>(0x02, 0x7012, true);
    w[4] = 150;
    const std::uint16_t rc = call(AnalogIn, w);
    EXPECT_NE(rc, 0);
    EXPECT_EQ(m_f[0], 0.0F);
}

} // namespace
} // namespace tev::iomodule::testing
