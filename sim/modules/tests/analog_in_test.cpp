#include "bank_fixture.hpp"

namespace tev::sim::test {
namespace {

class AnalogIn : public BankTest {
  protected:
    void SetUp() override {
        add("7012", 0x01);
        add("7017", 0x02);
        add("7033", 0x03);
        add("7011", 0x04);
        add("7017", 0x05, false, std::nullopt, DataFormat::Hex);
        add("7017", 0x06, false, std::nullopt, DataFormat::PercentOfRange);
        add("87017", 0x07);
        add("87033", 0x08);
        add("7017", 0x09, true);
        m_bank.setAnalogInput(0x01, 0, 1.5);
        for (int ch = 0; ch < 8; ++ch) {
            for (const int a : {0x02, 0x05, 0x06, 0x07, 0x09})
                m_bank.setAnalogInput(static_cast<std::uint8_t>(a), ch, ch - 3.5);
        }
        for (int ch = 0; ch < 3; ++ch)
            m_bank.setAnalogInput(0x03, ch, 20.0 + ch);
        m_bank.setAnalogInput(0x04, 0, 25.0);
        m_bank.setAnalogInput(0x08, 2, -12.5);
    }
};

TEST_F(AnalogIn, SingleChannelReadings) {
    run({
        {"#01", ">+01.500"},
        {"#021", ">-02.500"},
        {"#027", ">+03.500"},
        {"#028", "?02"}, // a 7017 has channels 0-7
        {"#032", ">+022.00"},
        {"#033", "?03"},
        {"#04", ">+0025.0"}, // K thermocouple, one decimal
        {"#050", ">D334"},   // -3.5 of 10 V full scale in hex
        {"#060", ">-035.00"},
        {"#075", ">+01.500"},
        {"$082", ">-012.50"},
        {"#011", "?01"}, // a single-channel model takes no channel digit
    });
}

TEST_F(AnalogIn, FourThousandTwinsAnswerAsTheirSevenThousandModels) {
    add("4033", 0x0A);
    add("4017", 0x0B);
    for (int ch = 0; ch < 8; ++ch) {
        m_bank.setAnalogInput(0x0A, ch % 3, 30.0 + ch % 3);
        m_bank.setAnalogInput(0x0B, ch, 0.0);
    }
    run({
        {"#0A", ">+030.00+031.00+032.00"},
        {"#0A1", ">+031.00"}, // the library reads a 4033 channel by channel
        {"#0A3", "?0A"},
        {"$0AM", "!0A4033"},
        {"$0BM", "!0B4017"},
        {"#0B", ">+00.000+00.000+00.000+00.000+00.000+00.000+00.000+00.000"},
    });
}

TEST_F(AnalogIn, OutOfRangeReadings) {
    m_bank.setAnalogInput(0x01, 0, 10.5);
    m_bank.setAnalogInput(0x02, 0, -11.0);
    m_bank.setAnalogInput(0x04, 0, 1400.0);
    run({{"#01", ">+9999"}, {"#020", ">-0000"}, {"$04B", "!041"}});
}

TEST_F(AnalogIn, Scans) {
    run({
        {"#02", ">-03.500-02.500-01.500-00.500+00.500+01.500+02.500+03.500"},
        {"#03", ">+020.00+021.00+022.00"},
        {"#05", ">D334E000ECCDF99A0666133320002CCC"},
        {"$02A", ">D334E000ECCDF99A0666133320002CCC"},
        {"$01A", "?01"}, // only the 7017 has the hex scan
        {"$04B", "!040"},
    });
}

TEST_F(AnalogIn, ScanLengthsMatchTheReadingFunctions) {
    EXPECT_EQ(m_bank.answer("#02")->size(), 57u);
    EXPECT_EQ(m_bank.answer("#03")->size(), 22u);
    EXPECT_EQ(m_bank.answer("$02A")->size(), 33u);
    EXPECT_EQ(m_bank.answer("#07")->size(), 57u);
    EXPECT_EQ(m_bank.answer(WithSum("#09"))->size(), 59u);
}

TEST_F(AnalogIn, ChecksumAddressAndGarbage) {
    run({
        {WithSum("#091"), WithSum(">-02.500")},
        {"#091", std::nullopt},  // checksum missing
        {"#0910", std::nullopt}, // wrong checksum
        {WithSum("#09Q"), WithSum("?09")},
        {"#0A1", std::nullopt}, // nobody at 0A
        {"#0g1", std::nullopt}, // not an address
        {"#02" + std::string(200, '1'), std::nullopt},
        {"", std::nullopt},
        {"X021", std::nullopt},
    });
}

TEST_F(AnalogIn, InputsVaryWithTheClock) {
    add("7018", 0x10);
    const auto first = m_bank.answer("#100");
    m_now = 5000;
    const auto later = m_bank.answer("#100");
    ASSERT_TRUE(first && later);
    EXPECT_NE(*first, *later);
    m_now = 0;
    EXPECT_EQ(m_bank.answer("#100"), first); // a function of the clock alone
}

} // namespace
} // namespace tev::sim::test
