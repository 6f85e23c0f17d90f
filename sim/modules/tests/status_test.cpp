#include "bank_fixture.hpp"

namespace tev::sim::test {
namespace {

class Status : public BankTest {
  protected:
    void SetUp() override {
        add("7060", 0x01);
        add("7024", 0x02);
        add("7012", 0x03);
        add("7014", 0x04);
        add("7021", 0x05);
        add("7043", 0x06);
        add("87024", 0x07);
        add("7060", 0x08, true);
        m_bank.setDigitalInputs(0x01, 0);
        m_bank.setDigitalInputs(0x03, 0);
    }
};

TEST_F(Status, HostWatchdogTimesOutToSafeValues) {
    run({
        {"@015", ">"},
        {"~015S", "!01"},
        {"@01A", ">"},
        {"~01310A", "!01"},
        {"~012", "!0110A"},
        {"~010", "!0100"},
    });
    m_now = 900;
    EXPECT_EQ(m_bank.answer("~**"), std::nullopt);
    m_now = 1800;
    run({{"~010", "!0100"}, {"$016", "!0A0000"}});
    m_now = 3000; // more than a second without "~**"
    run({{"~010", "!0104"},
         {"$016", "!050000"},
         {"@01C", "!"},
         {"#011301", "!"},
         {"~011", "!01"},
         {"@01C", ">"},
         {"~01300A", "!01"}});
}

TEST_F(Status, HostAliveHonoursChecksum) {
    run({{WithSum("~08310A"), WithSum("!08")}});
    m_now = 800;
    EXPECT_EQ(m_bank.answer("~**"), std::nullopt); // without its checksum: not heard
    m_now = 1200;
    run({{WithSum("~080"), WithSum("!0804")}});
}

TEST_F(Status, DigitalSafeAndPowerOnValues) {
    run({
        {"~014S", "!010000"},
        {"@01B", ">"},
        {"~015P", "!01"},
        {"~014P", "!010B00"},
        {"@061234", ">"},
        {"~065S", "!06"},
        {"~064S", "!061234"},
        {"~0350201", "!03"},
        {"~0350401", "?03"},
        {"~025S", "?02"},
    });
    m_bank.powerCycle();
    run({{"$016", "!0B0000"}, {"@03DI", "!0301000"}});
}

TEST_F(Status, AnalogSafeAndPowerOnValues) {
    run({
        {"#022+05.000", ">"},
        {"~0252", "!02"},
        {"~0242", "!02+05.000"},
        {"$0242", "!02"},
        {"$0272", "!02+05.000"},
        {"~0254", "?02"},
        {"#0504.500", ">"},
        {"~055", "!05"},
        {"~054", "!0504.500"},
        {"$054", "!05"},
        {"~0551", "?05"},
        {"#073-02.500", ">"},
        {"$0743", "!07"},
        {"$0773", "!07-02.500"},
        {"~0353", "?03"},
    });
    m_bank.powerCycle();
    EXPECT_EQ(m_bank.analogOutput(0x02, 2), 5.0);
    EXPECT_EQ(m_bank.analogOutput(0x07, 3), -2.5);
}

TEST_F(Status, ResetStatusReadsOnceAfterPowerOn) {
    run({{"$015", "!011"}, {"$015", "!010"}, {"$04R", "!041"}, {"$04R", "!040"}, {"$01R", "?01"}});
    m_bank.powerCycle();
    run({{"$015", "!011"}});
}

} // namespace
} // namespace tev::sim::test
