#include "bank_fixture.hpp"

namespace tev::sim::test {
namespace {

class Cards : public BankTest {
  protected:
    void SetUp() override {
        add("8000", 0x20);
        add("8000", 0x21, true);
        ASSERT_TRUE(m_bank.addCard(0x20, 0, "8017"));
        ASSERT_TRUE(m_bank.addCard(0x20, 1, "8024"));
        ASSERT_TRUE(m_bank.addCard(0x20, 2, "8033"));
        ASSERT_TRUE(m_bank.addCard(0x20, 3, "8013"));
        ASSERT_TRUE(m_bank.addCard(0x21, 0, "8022"));
        for (int ch = 0; ch < 8; ++ch)
            m_bank.setAnalogInput(0x20, ch, ch * 0.5, 0);
        m_bank.setAnalogInput(0x20, 3, 25.5, 2);
    }
};

TEST_F(Cards, AnalogInputs) {
    run({
        {"#20S0C3", ">+01.500"},
        {"#20S0C8", "?20"},
        {"#20S0", ">+00.000+00.500+01.000+01.500+02.000+02.500+03.000+03.500"},
        {"$20S2C3", ">+025.50"},
        {"#20S2C3", "?20"}, // an 8033 channel is read with "$"
        {"#20S5C0", "?20"}, // empty slot
        {"#20S", "?20"},
    });
    EXPECT_EQ(m_bank.answer("#20S3")->size(), 29u);
}

TEST_F(Cards, AnalogOutputs) {
    run({
        {"#20S1C2+05.000", ">"},
        {"$20S1C26", "!20+05.000"},
        {"#20S1C4+05.000", "?20"},
        {"#20S1C2+11.000", "?20"},
        {"$20S1C24", "!20"},
        {"$20S1C2B", "!203300"},
        {"#20S1C2-01.000", ">"},
        {WithSum("#21S0C1+10.000"), WithSum(">")},
        {WithSum("#21S0C2+10.000"), WithSum("?21")},
        {"#21S0C1+10.000", std::nullopt},
    });
    m_bank.powerCycle();
    EXPECT_EQ(m_bank.analogOutput(0x20, 2, 1), 5.0);
}

TEST_F(Cards, Alarms) {
    run({
        {"$20S0C3AH", "!20D"},
        {"$20S0C3AHEE", "!20"},
        {"$20S0C3AH", "!20M"},
        {"$20S0C3AHL", "!20"},
        {"$20S0C3AH", "!20L"},
        {"$20S0C3AHED", "!20"},
        {"$20S0C3AH", "!20D"},
        {"$20S0C3AHX", "?20"},
        {"$20S0C3AHU+01.250", "!20"},
        {"$20S0C3RHU", "!20+001.25"},
        {"$20S0C3ALU-02.000", "!20"},
        {"$20S0C3RLU", "!20-002.00"},
        {"$20S0C3AHCS1C2", "!20"},
        {"$20S0C3AHCS*C*", "!20"},
        {"$20S0C3AHCS8C2", "?20"},
        {"$20S0C3AHEE", "!20"},
        {"$20S0C3S", "!2001"},
        {"$20S0C9S", "?20"},
    });
    m_bank.setAnalogInput(0x20, 3, 0.0, 0);
    run({{"$20S0C3S", "!2000"}, {"$20S0C3AHL", "!20"}, {"$20S0C3S", "!2000"}});
    m_bank.setAnalogInput(0x20, 3, 2.0, 0);
    run({{"$20S0C3S", "!2001"}});
    m_bank.setAnalogInput(0x20, 3, 0.0, 0);
    run({{"$20S0C3S", "!2001"}, {"$20S0C3CH", "!20"}, {"$20S0C3S", "!2000"}});
}

} // namespace
} // namespace tev::sim::test
