#include "bank_fixture.hpp"

namespace tev::sim::test {
namespace {

class Alarms : public BankTest {
  protected:
    void SetUp() override {
        add("7012", 0x01);
        add("7016", 0x02);
        add("7033", 0x03);
        add("7014", 0x04);
        add("7017", 0x05);
        m_bank.setAnalogInput(0x01, 0, 5.0);
        m_bank.setAnalogInput(0x04, 0, 0.0);
        m_bank.setAnalogInput(0x02, 0, 0.5);
        m_bank.setDigitalInputs(0x01, 0);
    }
};

TEST_F(Alarms, LimitsAndMomentaryAlarm) {
    run({
        {"@01LO+01.500", "!01"},
        {"@01HI+04.000", "!01"},
        {"@01RL", "!01+01.500"},
        {"@01RH", "!01+04.000"},
        {"@01LO+1.5", "?01"},
        {"@01EAM", "!01"},
        {"@01DI", "!0111000"},
        {"@01EAX", "?01"},
    });
    m_bank.setAnalogInput(0x01, 0, 3.0);
    run({{"@01DI", "!0110000"}, {"@01DA", "!01"}, {"@01DI", "!0100000"}, {"@05EAM", "?05"}});
}

TEST_F(Alarms, LatchedAlarmHoldsUntilCleared) {
    run({{"@01HI+04.000", "!01"}, {"@01EAL", "!01"}, {"@01DI", "!0121000"}});
    m_bank.setAnalogInput(0x01, 0, 3.0);
    run({{"@01DI", "!0121000"}, {"@01CA", "!01"}, {"@01DI", "!0120000"}});
}

TEST_F(Alarms, EventCounter) {
    m_bank.setDigitalInputs(0x01, 0);
    m_bank.setDigitalInputs(0x01, 1);
    m_bank.setDigitalInputs(0x01, 0);
    m_bank.setDigitalInputs(0x01, 1);
    run({{"@01RE", "!0100002"}, {"@01CE", "!01"}, {"@01RE", "!0100000"}});
}

TEST_F(Alarms, LedDisplay) {
    run({
        {"$023", "!020"},
        {"$0231", "!02"},
        {"$023", "!021"},
        {"$0232", "?02"},
        {"$038", "!030"},
        {"$0382", "!03"},
        {"$038", "!032"},
        {"$0383", "?03"},
        {"$053", "?05"},
    });
}

TEST_F(Alarms, LinearMappingOf7014) {
    run({
        {"$046-10.000+10.000", "!04"},
        {"$047+0.5000+20.000", "!04"},
        {"$043", "!04-10.000+10.000"},
        {"$045", "!04+0.5000+20.000"},
        {"$04A", "!040"},
        {"#04", ">+00.000"},
        {"$04A1", "!04"},
        {"$04A", "!041"},
        {"#04", ">+10.250"},
        {"$046+10.000-10.000", "?04"},
        {"$046-10.000+10.00", "?04"},
        {"$04A2", "?04"},
    });
}

TEST_F(Alarms, LinearMappingOf7016) {
    run({
        {"@026-1.0000+1.0000", "!02"},
        {"@027+000.00+100.00", "!02"},
        {"@026", "!02-1.0000+1.0000"},
        {"@027", "!02+000.00+100.00"},
        {"@02A1", "!02"},
        {"@02A", "!021"},
        {"#02", ">+75.000"},
        {"$026", "!02+00.000"}, // "$" 6 stays the excitation read-back
    });
}

} // namespace
} // namespace tev::sim::test
