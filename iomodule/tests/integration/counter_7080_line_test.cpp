// 7080 counter and frequency module functions through uart against the simulated module.
#include "module_line.hpp"

namespace tev::iomodule::testing {
namespace {

using Fn = std::uint16_t (*)(std::uint16_t*, float*, char*, char*);

class CounterLine : public ModuleLine, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        ModuleLine::SetUp();
        // A second 7080 whose checksum is on.
        ASSERT_TRUE(withBank([](auto& bank) { return bank.addModule({"7080", kChecksumAddress, true}); }));
        m_w = block<std::uint16_t>(address(), 0x7080, GetParam());
    }
    static constexpr std::uint8_t kChecksumAddress = 0x60;
    std::uint8_t address() const { return GetParam() ? kChecksumAddress : 0x19; }

    std::uint16_t call(Fn fn) { return fn(m_w.data(), m_f.data(), m_command.data(), m_reply.data()); }
    void expectOk(Fn fn) { EXPECT_EQ(call(fn), 0) << m_command.data() << " -> " << m_reply.data(); }
    std::uint32_t value32() const { return std::uint32_t{m_w[7]} << 16 | m_w[8]; }

    std::array<std::uint16_t, 12> m_w{};
};

TEST_P(CounterLine, ThirtyTwoBitValuesRoundTrip) {
    struct Case {
        Fn set;
        Fn read;
        double value;
    };
    for (const Case c : {Case{PresetCounterValue_7080, ReadPresetCounterValue_7080, 0x89ABCDEF},
                         Case{SetCounterMaxValue_7080, ReadCounterMaxValue_7080, 4294967294.0},
                         Case{SetAlarmLimitValue_7080, ReadAlarmLimitValue_7080, 1000}}) {
        for (int counter : {0, 1}) {
            m_w[5] = static_cast<std::uint16_t>(counter);
            tev_module_put_value_7080(m_f.data(), c.value + counter);
            expectOk(c.set);
            m_w[7] = m_w[8] = 0;
            expectOk(c.read);
            EXPECT_EQ(value32(), static_cast<std::uint32_t>(c.value + counter)) << m_command.data();
        }
    }
}

TEST_P(CounterLine, ClearLoadsThePresetIntoTheCounter) {
    m_w[5] = 1;
    tev_module_put_value_7080(m_f.data(), 123456);
    expectOk(PresetCounterValue_7080);
    expectOk(ClearCounter_7080);
    expectOk(CounterIn_7080);
    EXPECT_EQ(value32(), 123456u);
}

TEST_P(CounterLine, SettingsRoundTrip) {
    m_w[5] = 1;
    m_f[0] = 2.5F;
    expectOk(SetLevelVolt_7080);
    m_f[0] = 0.0F;
    expectOk(ReadLevelVolt_7080);
    EXPECT_NEAR(m_f[0], 2.5F, 1e-6F);

    tev_module_put_value_7080(m_f.data(), 65535);
    expectOk(SetMinSignalWidth_7080);
    expectOk(ReadMinSignalWidth_7080);
    EXPECT_EQ(m_w[7], 65535);

    m_w[5] = 2;
    expectOk(SetGateMode_7080);
    m_w[5] = 0;
    expectOk(ReadGateMode_7080);
    EXPECT_EQ(m_w[5], 2);

    m_w[5] = 1;
    expectOk(SetModuleMode_7080);
    m_w[5] = 0;
    expectOk(ReadModuleMode_7080);
    EXPECT_EQ(m_w[5], 1);

    m_w[5] = 2;
    expectOk(SetInputSignalMode_7080);
    expectOk(ReadInputSignalMode_7080);
    EXPECT_EQ(m_w[7], 2);

    m_f[0] = 12345.6F;
    expectOk(DataToLED_7080);
    EXPECT_EQ(std::string(m_command.data()).substr(3), "912345.");
}

TEST_P(CounterLine, AlarmsAndCounting) {
    m_w[5] = 1;
    expectOk(EnableCounterAlarm_7080);
    expectOk(ReadOutputAlarmState_7080);
    EXPECT_EQ(m_w[7], 2); // counter 1's alarm enabled
    expectOk(DisableCounterAlarm_7080);
    m_w[5] = 0;
    expectOk(EnableCounterAlarm_7080D);
    expectOk(DisableCounterAlarm_7080D);
    expectOk(ReadOutputAlarmState_7080);
    EXPECT_EQ(m_w[7], 0);

    m_w[5] = 0;
    m_w[7] = 1;
    expectOk(StartCounting_7080);
    m_w[7] = 0;
    expectOk(ReadCounterStatus_7080);
    EXPECT_EQ(m_w[7], 1);
}

TEST_P(CounterLine, ConfigurationKeepsTheAddress) {
    m_w[7] = address();
    m_w[8] = 1;
    m_w[9] = 0x0A;
    m_w[5] = 0;
    m_w[10] = GetParam() ? 1 : 0; // keep the module's checksum setting
    expectOk(SetConfiguration_7080);
    const std::string hexAddress = GetParam() ? "60" : "19";
    EXPECT_EQ(std::string(m_command.data()),
              "%" + hexAddress + hexAddress + "510A" + (GetParam() ? "40" : "00"));
    m_w[5] = 0;
    expectOk(CounterIn_7080); // the module answers at the same address, now with a frequency
}

TEST_P(CounterLine, ModuleRefusesAnInvalidCommand) {
    m_w[5] = 2;
    m_w[7] = 0;
    EXPECT_EQ(call(StartCounting_7080), TEV_MODULE_INVALID_REPLY); // counter 2 is the module's to refuse
    EXPECT_EQ(m_reply[0], '?');
}

INSTANTIATE_TEST_SUITE_P(Checksum, CounterLine, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "On" : "Off"; });

} // namespace
} // namespace tev::iomodule::testing
