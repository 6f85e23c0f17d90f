// Digital input and output functions through uart against the simulated modules.
#include "module_line.hpp"

namespace tev::iomodule::testing {
namespace {

class DigitalLine : public ModuleLine {
  protected:
    template <class Slot>
    std::uint16_t call(std::uint16_t (*fn)(Slot*, float*, char*, char*), std::array<Slot, 12>& w) {
        return fn(w.data(), m_f.data(), m_command.data(), m_reply.data());
    }
    std::uint32_t outputs(std::uint8_t address, int slot = -1) {
        return withBank([&](auto& bank) { return bank.digitalOutputs(address, slot).value_or(0xDEAD); });
    }
    void inputs(std::uint8_t address, std::uint32_t bits, int slot = -1) {
        ASSERT_TRUE(withBank([&](auto& bank) { return bank.setDigitalInputs(address, bits, slot); }));
    }
};

TEST_F(DigitalLine, PortWriteAndReadBackWithChecksumOffAndOn) {
    struct Case {
        std::uint8_t address;
        std::uint32_t model;
        bool checksum;
        std::uint16_t value;
        std::uint32_t expected;
    };
    // 0x54 is a 7060 whose checksum is on.
    for (const Case c : {Case{0x0F, 0x7044, false, 0x1A5, 0xA5}, Case{0x54, 0x7060, true, 0x1F, 0xF},
                         Case{0x0D, 0x7042, false, 0xFFFF, 0x1FFF}}) {
        auto w = block<std::uint16_t>(c.address, c.model, c.checksum);
        w[5] = c.value;
        ASSERT_EQ(call(DigitalOut, w), 0) << m_command.data() << " -> " << m_reply.data();
        EXPECT_EQ(outputs(c.address), c.expected);
        w[5] = 0;
        ASSERT_EQ(call(DigitalOutReadBack, w), 0) << m_reply.data();
        EXPECT_EQ(w[5], c.expected);
    }
}

TEST_F(DigitalLine, BitWritesInBothGroups) {
    auto w = block<std::uint16_t>(0x0E, 0x7043);
    for (int bit : {2, 9, 15}) {
        w[7] = static_cast<std::uint16_t>(bit);
        w[8] = 1;
        ASSERT_EQ(call(DigitalBitOut, w), 0) << m_command.data() << " -> " << m_reply.data();
    }
    EXPECT_EQ(outputs(0x0E), 0x8204u);
    w[7] = 9;
    w[8] = 0;
    ASSERT_EQ(call(DigitalBitOut, w), 0);
    EXPECT_EQ(outputs(0x0E), 0x8004u);
}

TEST_F(DigitalLine, InputsCountersAndLatches) {
    inputs(0x12, 0xA5C3);
    auto w = block<std::uint16_t>(0x12, 0x7053);
    ASSERT_EQ(call(DigitalIn, w), 0) << m_reply.data();
    EXPECT_EQ(w[5], 0xA5C3);

    // Inputs pinned low and the counter cleared, then three pulses on input 0 of the 7041.
    inputs(0x0C, 0);
    auto k = block<std::uint16_t>(0x0C, 0x7041);
    k[5] = 0;
    ASSERT_EQ(call(ClearDigitalInCounter, k), 0) << m_reply.data();
    ASSERT_EQ(call(ClearDigitalInLatch, k), 0) << m_reply.data();
    for (std::uint32_t bits : {1u, 0u, 1u, 0u, 1u, 0u})
        inputs(0x0C, bits);
    ASSERT_EQ(call(DigitalInCounterRead, k), 0) << m_reply.data();
    EXPECT_EQ(k[7], 3);
    ASSERT_EQ(call(ClearDigitalInCounter, k), 0);
    ASSERT_EQ(call(DigitalInCounterRead, k), 0);
    EXPECT_EQ(k[7], 0);

    k[5] = 1; // high latch
    ASSERT_EQ(call(DigitalInLatch, k), 0) << m_reply.data();
    EXPECT_EQ(k[7] & 1, 1);
    ASSERT_EQ(call(ClearDigitalInLatch, k), 0);
    ASSERT_EQ(call(DigitalInLatch, k), 0);
    EXPECT_EQ(k[7], 0);
}

TEST_F(DigitalLine, AnalogModulesOutputsAndInputs) {
    auto w = block<std::uint16_t>(0x02, 0x7012);
    w[5] = 3;
    ASSERT_EQ(call(DigitalOut, w), 0) << m_command.data() << " -> " << m_reply.data();
    EXPECT_EQ(outputs(0x02), 3u);
    inputs(0x02, 1);
    ASSERT_EQ(call(DigitalIn, w), 0) << m_reply.data();
    EXPECT_EQ(w[5], 1);
}

TEST_F(DigitalLine, Cards8K) {
    auto wide = block<std::uint32_t>(0x20, 0x8041);
    wide[7] = 2;
    wide[5] = 0x89ABCDEF;
    ASSERT_EQ(call(DigitalOut_8K, wide), 0) << m_command.data() << " -> " << m_reply.data();
    EXPECT_EQ(outputs(0x20, 2), 0x89ABCDEFu);
    wide[5] = 0;
    ASSERT_EQ(call(DigitalOutReadBack_8K, wide), 0) << m_reply.data();
    EXPECT_EQ(wide[5], 0x89ABCDEFu);

    auto card = block<std::uint32_t>(0x20, 0x8057);
    card[7] = 5;
    card[8] = 12; // bit 12 goes out as the hex digit C
    card[5] = 1;
    ASSERT_EQ(call(DigitalBitOut_8K, card), 0) << m_command.data() << " -> " << m_reply.data();
    EXPECT_EQ(outputs(0x20, 5), 0x1000u);

    inputs(0x21, 0x12345678, 2);
    auto in = block<std::uint32_t>(0x21, 0x8040);
    in[7] = 2;
    ASSERT_EQ(call(DigitalIn_8K, in), 0) << m_reply.data();
    EXPECT_EQ(in[5], 0x12345678u);
}

TEST_F(DigitalLine, Cards87K) {
    auto w = block<std::uint32_t>(0x3C, 0x87054);
    w[5] = 0x5A;
    ASSERT_EQ(call(DigitalOut_87K, w), 0) << m_command.data() << " -> " << m_reply.data();
    w[7] = 0;
    w[8] = 1;
    ASSERT_EQ(call(DigitalBitOut_87K, w), 0) << m_command.data() << " -> " << m_reply.data();
    EXPECT_EQ(outputs(0x3C), 0x5Bu);
    ASSERT_EQ(call(DigitalOutReadBack_87K, w), 0) << m_reply.data();
    EXPECT_EQ(w[5], 0x5Bu);

    inputs(0x39, 0xBEEF);
    auto in = block<std::uint32_t>(0x39, 0x87051);
    ASSERT_EQ(call(DigitalIn_87K, in), 0) << m_reply.data();
    EXPECT_EQ(in[5], 0xBEEFu);
}

TEST_F(DigitalLine, ModuleRefusesABitItDoesNotHave) {
    // The 8042 has 16 outputs: bit 16 passes the library's limit and the card refuses it.
    auto w = block<std::uint32_t>(0x20, 0x8042);
    w[7] = 3;
    w[8] = 16;
    w[5] = 1;
    EXPECT_EQ(call(DigitalBitOut_8K, w), TEV_MODULE_INVALID_REPLY);
    EXPECT_EQ(std::string(m_command.data()), "@20S3SC101");
}

} // namespace
} // namespace tev::iomodule::testing
