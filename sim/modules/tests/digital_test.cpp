#include "bank_fixture.hpp"

namespace tev::sim::test {
namespace {

class Digital : public BankTest {
  protected:
    void SetUp() override {
        const std::pair<const char*, std::uint8_t> modules[] = {
            {"7060", 0x01}, {"7063", 0x02},  {"7043", 0x03},  {"7044", 0x04}, {"7042", 0x05},
            {"7041", 0x06}, {"7050", 0x07},  {"7052", 0x08},  {"7012", 0x09}, {"7016", 0x0A},
            {"7044", 0x0B}, {"87054", 0x10}, {"87056", 0x11}, {"87063", 0x12}};
        for (const auto& [model, address] : modules)
            add(model, address);
        for (const int a : {0x01, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x10, 0x12})
            m_bank.setDigitalInputs(static_cast<std::uint8_t>(a), 0);
    }
};

TEST_F(Digital, PortWritesAndReads) {
    m_bank.setDigitalInputs(0x01, 0x5);
    m_bank.setDigitalInputs(0x10, 0x3C);
    run({
        {"@01F", ">"},
        {"$016", "!0F0500"},
        {"@0110", "?01"}, // one digit for four outputs
        {"@027", ">"},
        {"@028", "?02"},
        {"@03FFFF", ">"},
        {"$036", "!FFFF00"},
        {"@051FFF", ">"},
        {"@052000", "?05"},
        {"@06", "?06"}, // an input module has no outputs
        {"@10A5", ">"},
        {"$106", "!A53C00"},
        {"@12F", ">"},
        {"$126", "!0F0000"},
    });
}

TEST_F(Digital, BitWrites) {
    run({
        {"@030000", ">"},
        {"#03B101", ">"},
        {"$036", "!020000"},
        {"#03A301", ">"},
        {"$036", "!020800"},
        {"#031301", "?03"}, // bytes A and B only on 16-bit ports
        {"#041301", ">"},
        {"$046", "!080F00"},
        {"#041801", "?04"},
        {"#04A301", "?04"},
        {"#041302", "?04"},
        {"#05B501", "?05"}, // a 7042 has outputs 0-12
        {"#10A101", ">"},
        {"$106", "!020000"},
        {"#10B001", "?10"},
        {"#101101", "?10"},
        {"#11B701", ">"},
        {"$116", "!800000"},
    });
}

TEST_F(Digital, CountersCountRisingEdges) {
    m_bank.setDigitalInputs(0x06, 0x2001);
    m_bank.setDigitalInputs(0x06, 0x0000);
    m_bank.setDigitalInputs(0x06, 0x0001);
    run({
        {"#060", "!0600002"},
        {"#06D", "!0600001"},
        {"#061", "!0600000"},
        {"#06E", "?06"},
        {"$06C0", "!06"},
        {"#060", "!0600000"},
        {"#06D", "!0600001"},
        {"$06CE", "?06"},
    });
}

TEST_F(Digital, WavesAdvanceCountersWithTheClock) {
    m_now = 10000;
    run({{"#0B0", "!0B00005"}, {"#0B3", "!0B00002"}});
    m_now = 10999;
    run({{"$0B6", "!000900"}}); // inputs 0 and 3 in the high half of their periods
}

TEST_F(Digital, LatchesHoldEdgesUntilCleared) {
    m_bank.answer("$07C"); // pinning to 0 in SetUp made falling edges
    m_bank.setDigitalInputs(0x07, 0x03);
    m_bank.setDigitalInputs(0x07, 0x01);
    m_bank.setDigitalInputs(0x08, 0x80);
    run({
        {"$07L1", "!000300"},
        {"$07L0", "!000200"},
        {"$07C", "!07"},
        {"$07L1", "!000000"},
        {"$08L1", "!800000"},
        {"$08L2", "?08"},
    });
}

TEST_F(Digital, AnalogModuleOutputs) {
    m_bank.setDigitalInputs(0x09, 0x1);
    run({
        {"@09DO03", "!09"},
        {"@09DI", "!0901101"},
        {"@09DO04", "?09"},
        {"@09DO0G", "?09"},
        {"@0ADO12", "!0A"},
        {"@0ADI", "!0A00400"},
        {"@0ADO14", "?0A"},
        {"@0ADO21", "?0A"},
    });
}

class DigitalCards : public BankTest {
  protected:
    void SetUp() override {
        add("8000", 0x20);
        const char* cards[] = {"8054", "8041", "8042", "8063", "8057", "8040"};
        for (int s = 0; s < 6; ++s)
            ASSERT_TRUE(m_bank.addCard(0x20, s, cards[s]));
        for (const int s : {0, 2, 3, 5})
            m_bank.setDigitalInputs(0x20, 0, s);
    }
};

TEST_F(DigitalCards, WritesAndReads) {
    m_bank.setDigitalInputs(0x20, 0x3C, 0);
    m_bank.setDigitalInputs(0x20, 0x9, 3);
    m_bank.setDigitalInputs(0x20, 0x12345678, 5);
    run({
        {"#20S000A5", ">"},        {"$20S06", "!20A53C00"},   {"#20S01301", ">"},
        {"$20S06", "!20AD3C00"},   {"#20S0001FF", "?20"},     {"@20S112345678", ">"},
        {"$20S16", "!2012345678"}, {"@20S1SC1F1", ">"},       {"$20S16", "!2092345678"},
        {"@20S1SC201", "?20"},     {"@20S2ABCD", ">"},        {"$20S26", "!20ABCD0000"},
        {"@20S2SC0F1", ">"},       {"$20S26", "!20ABCD0000"}, {"@20S2SC101", "?20"},
        {"#20S3000F", ">"},        {"$20S36", "!20F00900"},   {"#20S300FF", "?20"},
        {"#20S400FFFF", ">"},      {"$20S46", "!20FFFF00"},   {"$20S56", "!2012345678"},
        {"$20S76", "?20"},         {"$20S6", "?20"},
    });
}

} // namespace
} // namespace tev::sim::test
