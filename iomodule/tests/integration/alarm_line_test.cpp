// Alarms, event counter, LED display, linear mapping and card alarms through uart against the
// simulated modules, with the checksum flag off and on.
#include "module_line.hpp"

namespace tev::iomodule::testing {
namespace {

// Modules with the checksum on, besides the default bank's.
constexpr std::uint8_t k7014Sum = 0x61;
constexpr std::uint8_t k7016Sum = 0x62;
constexpr std::uint8_t k8000Sum = 0x63;

class AlarmLine : public ModuleLine {
  protected:
    void SetUp() override {
        ModuleLine::SetUp();
        withBank([](sim::ModuleBank& bank) {
            return bank.addModule({"7014", k7014Sum, true}) && bank.addModule({"7016", k7016Sum, true}) &&
                   bank.addModule({"8000", k8000Sum, true}) && bank.addCard(k8000Sum, 0, "8017");
        });
    }

    template <class Slot>
    std::uint16_t call(std::uint16_t (*fn)(Slot*, float*, char*, char*), std::array<Slot, 12>& w) {
        return fn(w.data(), m_f.data(), m_command.data(), m_reply.data());
    }
};

struct Target {
    std::uint8_t address;
    bool checksum;
};

TEST_F(AlarmLine, AnalogModuleAlarmLimitsAndState) {
    // 7012 at 0x02 without checksum, at 0x53 with it.
    for (const Target t : {Target{0x02, false}, Target{0x53, true}}) {
        auto w = block<std::uint16_t>(t.address, 0x7012, t.checksum);
        w[5] = 1;
        w[7] = 8; // +-10 V: three decimals
        m_f[0] = 2.5F;
        ASSERT_EQ(call(SetAlarmLimitValue, w), 0) << m_reply.data();
        EXPECT_EQ(std::string(m_command.data()),
                  "@" + std::string(t.address == 2 ? "02" : "53") + "HI+02.500");
        m_f[0] = 0.0F;
        ASSERT_EQ(call(ReadAlarmLimitValue, w), 0) << m_reply.data();
        EXPECT_FLOAT_EQ(m_f[0], 2.5F);

        w[5] = 1; // latched
        ASSERT_EQ(call(EnableAlarm, w), 0) << m_reply.data();
        w[7] = 99;
        ASSERT_EQ(call(ReadOutputAlarmState, w), 0) << m_reply.data();
        EXPECT_EQ(w[7], 2); // the module's latched mode
        ASSERT_EQ(call(ClearLatchAlarm, w), 0) << m_reply.data();
        ASSERT_EQ(call(DisableAlarm, w), 0) << m_reply.data();
        ASSERT_EQ(call(ReadOutputAlarmState, w), 0) << m_reply.data();
        EXPECT_EQ(w[7], 0);
    }
}

TEST_F(AlarmLine, EventCounterCountsAndClears) {
    for (const Target t : {Target{0x02, false}, Target{0x53, true}}) {
        auto w = block<std::uint16_t>(t.address, 0x7012, t.checksum);
        ASSERT_EQ(call(ClearEventCounter, w), 0) << m_reply.data();
        for (std::uint32_t bits : {0u, 1u, 0u, 1u})
            ASSERT_TRUE(withBank([&](auto& bank) { return bank.setDigitalInputs(t.address, bits); }));
        ASSERT_EQ(call(ReadEventCounter, w), 0) << m_reply.data();
        EXPECT_EQ(w[7], 2);
        ASSERT_EQ(call(ClearEventCounter, w), 0);
        ASSERT_EQ(call(ReadEventCounter, w), 0);
        EXPECT_EQ(w[7], 0);
    }
}

TEST_F(AlarmLine, LedDisplay) {
    auto w = block<std::uint16_t>(0x08, 0x7033);
    w[5] = 2;
    ASSERT_EQ(call(SetLedDisplay_7033, w), 0) << m_reply.data();
    w[5] = 9;
    ASSERT_EQ(call(GetLedDisplay_7033, w), 0) << m_reply.data();
    EXPECT_EQ(w[5], 2);
    w[5] = 5; // the module has three channels and refuses a sixth
    EXPECT_EQ(call(SetLedDisplay_7033, w), TEV_MODULE_INVALID_REPLY);

    for (const Target t : {Target{0x05, false}, Target{k7016Sum, true}}) {
        auto led = block<std::uint16_t>(t.address, 0x7016, t.checksum);
        led[5] = 1;
        ASSERT_EQ(call(SetLedDisplay, led), 0) << m_reply.data();
        led[5] = 9;
        ASSERT_EQ(call(GetLedDisplay, led), 0) << m_reply.data();
        EXPECT_EQ(led[5], 1);
    }
}

TEST_F(AlarmLine, LinearMappingOnBothModels) {
    struct Case {
        std::uint8_t address;
        std::uint32_t model;
        bool checksum;
    };
    for (const Case c : {Case{0x04, 0x7014, false}, Case{k7014Sum, 0x7014, true}, Case{0x05, 0x7016, false},
                         Case{k7016Sum, 0x7016, true}}) {
        auto w = block<std::uint16_t>(c.address, c.model, c.checksum);
        w[7] = 6; // +-20 mA: valid on both models
        m_f = {-20.0F, 20.0F, 0.0F, 100.0F};
        ASSERT_EQ(call(SetupLinearMapping, w), 0) << m_command.data() << " " << m_reply.data();
        m_f.fill(0.0F);
        ASSERT_EQ(call(ReadSourceValueOfLM, w), 0) << m_reply.data();
        EXPECT_FLOAT_EQ(m_f[0], -20.0F);
        EXPECT_FLOAT_EQ(m_f[1], 20.0F);
        ASSERT_EQ(call(ReadTargetValueOfLM, w), 0) << m_reply.data();
        EXPECT_FLOAT_EQ(m_f[0], 0.0F);
        EXPECT_FLOAT_EQ(m_f[1], 100.0F);
        EXPECT_FLOAT_EQ(m_f[6], 1.1F);

        ASSERT_EQ(call(EnableLinearMapping, w), 0) << m_reply.data();
        w[5] = 9;
        ASSERT_EQ(call(ReadLinearMappingStatus, w), 0) << m_reply.data();
        EXPECT_EQ(w[5], 1);
        ASSERT_EQ(call(DisableLinearMapping, w), 0) << m_reply.data();
        ASSERT_EQ(call(ReadLinearMappingStatus, w), 0) << m_reply.data();
        EXPECT_EQ(w[5], 0);
    }
}

TEST_F(AlarmLine, CardAlarms) {
    for (const Target t : {Target{0x20, false}, Target{k8000Sum, true}}) {
        auto w = block<std::uint32_t>(t.address, 0x8017, t.checksum);
        w[5] = 3; // channel
        w[7] = 0; // card slot
        w[8] = 1; // high side
        m_f[0] = 5.0F;
        ASSERT_EQ(call(SetAlarmLimitValue_8K, w), 0) << m_reply.data();
        m_f[0] = 0.0F;
        ASSERT_EQ(call(ReadAlarmLimitValue_8K, w), 0) << m_reply.data();
        EXPECT_FLOAT_EQ(m_f[0], 5.0F);

        w[9] = 2; // latched
        ASSERT_EQ(call(SetAlarmMode_8K, w), 0) << m_reply.data();
        w[9] = 99;
        ASSERT_EQ(call(ReadAlarmMode_8K, w), 0) << m_reply.data();
        EXPECT_EQ(w[9], 2u);

        w[9] = 100;
        ASSERT_EQ(call(SetAlarmConnect_8K, w), 0) << m_reply.data();

        ASSERT_TRUE(withBank([&](auto& bank) { return bank.setAnalogInput(t.address, 3, 7.5, 0); }));
        ASSERT_EQ(call(ReadAlarmStatus_8K, w), 0) << m_reply.data();
        EXPECT_EQ(w[9], 1u); // high alarm
        ASSERT_TRUE(withBank([&](auto& bank) { return bank.setAnalogInput(t.address, 3, 1.0, 0); }));
        w[8] = 1;
        ASSERT_EQ(call(ReadAlarmStatus_8K, w), 0) << m_reply.data();
        EXPECT_EQ(w[9], 1u); // latched until cleared
        w[8] = 1;
        ASSERT_EQ(call(ClearLatchAlarm_8K, w), 0) << m_reply.data();
        ASSERT_EQ(call(ReadAlarmStatus_8K, w), 0) << m_reply.data();
        EXPECT_EQ(w[9], 0u);

        w[9] = 0; // disable
        w[8] = 1;
        ASSERT_EQ(call(SetAlarmMode_8K, w), 0) << m_reply.data();
        ASSERT_EQ(call(ReadAlarmMode_8K, w), 0) << m_reply.data();
        EXPECT_EQ(w[9], 0u);
    }
}

TEST_F(AlarmLine, ConnectRefusedByTheCardGivesItsOwnCode) {
    auto w = block<std::uint32_t>(0x20, 0x8017);
    w[5] = 9; // the card has no channel 9 and refuses
    w[9] = 100;
    EXPECT_EQ(call(SetAlarmConnect_8K, w), TEV_MODULE_ALARM_CONNECT_FIRST);
    EXPECT_EQ(m_reply[0], '?');
}

} // namespace
} // namespace tev::iomodule::testing
