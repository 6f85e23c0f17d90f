// Host watchdog, status, safe and power-on values and card start-up values through uart against the
// simulated modules, with the checksum flag off and on.
#include <atomic>
#include <memory>

#include "module_line.hpp"

namespace tev::iomodule::testing {
namespace {

// Modules with the checksum on, besides the default bank's 7012 (0x53) and 7060 (0x54).
constexpr std::uint8_t k7044Sum = 0x61;
constexpr std::uint8_t k7024Sum = 0x62;
constexpr std::uint8_t k8000Sum = 0x63;
constexpr std::uint8_t k87024Sum = 0x64;

struct Target {
    std::uint8_t address;
    bool checksum;
};

class WatchdogLine : public ModuleLine {
  protected:
    void SetUp() override {
        ModuleLine::SetUp();
        withBank([this](sim::ModuleBank& bank) {
            bank.setClock([now = m_now] { return now->load(); });
            return bank.addModule({"7044", k7044Sum, true}) && bank.addModule({"7024", k7024Sum, true}) &&
                   bank.addModule({"87024", k87024Sum, true}) && bank.addModule({"8000", k8000Sum, true}) &&
                   bank.addCard(k8000Sum, 1, "8024");
        });
    }

    template <class Slot>
    std::uint16_t call(std::uint16_t (*fn)(Slot*, float*, char*, char*), std::array<Slot, 12>& w) {
        return fn(w.data(), m_f.data(), m_command.data(), m_reply.data());
    }

    // The simulated modules' clock in milliseconds.
    std::shared_ptr<std::atomic<std::int64_t>> m_now = std::make_shared<std::atomic<std::int64_t>>(0);
};

TEST_F(WatchdogLine, HostIsOkKeepsTheWatchdogFromExpiring) {
    for (const Target t : {Target{0x0F, false}, Target{k7044Sum, true}}) {
        m_now->store(0);
        auto w = block<std::uint16_t>(t.address, 0x7044, t.checksum);
        w[5] = 1;
        w[7] = 5; // half a second
        ASSERT_EQ(call(ToSetupHostWatchdog, w), 0) << m_reply.data();
        w[5] = w[7] = 99;
        ASSERT_EQ(call(ToReadHostWatchdog, w), 0) << m_reply.data();
        EXPECT_EQ(w[5], 1);
        EXPECT_EQ(w[7], 5);

        m_now->store(400);
        auto host = block<std::uint16_t>(0, 0, t.checksum);
        ASSERT_EQ(call(HostIsOK, host), 0);
        EXPECT_EQ(std::string(m_command.data()), "~**");
        m_now->store(800);
        ASSERT_EQ(call(ReadModuleHostWatchdogStatus, w), 0) << m_reply.data();
        EXPECT_EQ(w[5], 0);

        m_now->store(2000); // no sign of the host for more than half a second
        ASSERT_EQ(call(ReadModuleHostWatchdogStatus, w), 0) << m_reply.data();
        EXPECT_EQ(w[5], 4);
        ASSERT_EQ(call(ResetModuleHostWatchdogStatus, w), 0) << m_reply.data();
        w[5] = 0;
        w[7] = 0;
        ASSERT_EQ(call(ToSetupHostWatchdog, w), 0) << m_reply.data();
        ASSERT_EQ(call(ReadModuleHostWatchdogStatus, w), 0) << m_reply.data();
        EXPECT_EQ(w[5], 0);
    }
}

TEST_F(WatchdogLine, ResetAndConfigurationStatus) {
    for (const Target t : {Target{0x02, false}, Target{0x53, true}}) {
        auto w = block<std::uint16_t>(t.address, 0x7012, t.checksum);
        ASSERT_EQ(call(ReadModuleResetStatus, w), 0) << m_reply.data();
        ASSERT_EQ(call(ReadModuleResetStatus, w), 0) << m_reply.data();
        EXPECT_EQ(w[5], 0); // reported once
        ASSERT_EQ(call(ReadConfigStatus, w), 0) << m_reply.data();
        EXPECT_EQ(w[7], t.address);
        EXPECT_EQ(w[8], 0x08); // the 7012's type code
        EXPECT_EQ(w[10] & 0x40, t.checksum ? 0x40 : 0);
    }
    withBank([](sim::ModuleBank& bank) {
        bank.powerCycle();
        return true;
    });
    auto w = block<std::uint16_t>(0x04, 0x7014);
    ASSERT_EQ(call(ReadModuleResetStatus, w), 0) << m_reply.data();
    EXPECT_EQ(std::string(m_command.data()), "$04R");
    EXPECT_EQ(w[5], 1);
}

TEST_F(WatchdogLine, DigitalSafeAndPowerOnValues) {
    struct Case {
        std::uint8_t address;
        std::uint32_t model;
        bool checksum;
        std::uint16_t value;
    };
    for (const Case c : {Case{0x13, 0x7060, false, 0x5}, Case{0x54, 0x7060, true, 0xA},
                         Case{0x0D, 0x7042, false, 0x1ABC}, Case{k7044Sum, 0x7044, true, 0x81}}) {
        auto w = block<std::uint16_t>(c.address, c.model, c.checksum);
        w[5] = c.value;
        ASSERT_EQ(call(SetSafeValueForDo, w), 0) << m_command.data() << " " << m_reply.data();
        ASSERT_EQ(call(SetPowerOnValueForDo, w), 0) << m_reply.data();
        w[5] = 0;
        ASSERT_EQ(call(ReadSafeValueForDo, w), 0) << m_reply.data();
        EXPECT_EQ(w[5], c.value);
        w[5] = 0;
        ASSERT_EQ(call(ReadPowerOnValueForDo, w), 0) << m_reply.data();
        EXPECT_EQ(w[5], c.value);
    }
    auto w = block<std::uint16_t>(0x02, 0x7012);
    w[5] = 2;
    w[7] = 1;
    ASSERT_EQ(call(SetPowerOnSafeValue, w), 0) << m_reply.data();
    withBank([](sim::ModuleBank& bank) {
        bank.powerCycle();
        return true;
    });
    EXPECT_EQ(withBank([](sim::ModuleBank& bank) { return bank.digitalOutputs(0x02).value_or(99); }), 2u);
}

TEST_F(WatchdogLine, AnalogSafeAndPowerOnValues) {
    struct Case {
        std::uint8_t address;
        std::uint32_t model;
        bool checksum;
        std::uint16_t channel;
        float value;
    };
    for (const Case c : {Case{0x09, 0x7021, false, 0, 4.5F}, Case{0x0A, 0x7022, false, 1, 12.5F},
                         Case{0x0B, 0x7024, false, 2, -3.5F}, Case{k7024Sum, 0x7024, true, 3, 2.25F}}) {
        auto w = block<std::uint16_t>(c.address, c.model, c.checksum);
        w[5] = c.channel;
        m_f[0] = c.value;
        ASSERT_EQ(call(SetSafeValueForAo, w), 0) << m_command.data() << " " << m_reply.data();
        ASSERT_EQ(call(SetPowerOnValueForAo, w), 0) << m_command.data() << " " << m_reply.data();
        m_f[0] = 0.0F;
        ASSERT_EQ(call(ReadSafeValueForAo, w), 0) << m_reply.data();
        EXPECT_FLOAT_EQ(m_f[0], c.value);
        EXPECT_NEAR(withBank([&](sim::ModuleBank& bank) {
                        return bank.analogOutput(c.address, c.channel).value_or(-99.0);
                    }),
                    c.value, 1e-6);
        if (c.model == 0x7024) {
            m_f[0] = 0.0F;
            ASSERT_EQ(call(ReadPowerOnValueForAo, w), 0) << m_reply.data();
            EXPECT_FLOAT_EQ(m_f[0], c.value);
        }
    }
}

TEST_F(WatchdogLine, CardStartUpValues) {
    for (const Target t : {Target{0x20, false}, Target{k8000Sum, true}}) {
        auto w = block<std::uint32_t>(t.address, 0x8024, t.checksum);
        w[5] = 2;
        w[7] = 1;
        m_f[0] = 3.25F;
        ASSERT_EQ(call(AnalogOut_8K, w), 0) << m_reply.data();
        ASSERT_EQ(call(SetStartUpValue_8K, w), 0) << m_reply.data();
        m_f[0] = 0.0F;
        ASSERT_EQ(call(ReadStartUpValue_8K, w), 0) << m_reply.data();
        EXPECT_FLOAT_EQ(m_f[0], 3.25F);
        ASSERT_EQ(call(ReadConfigurationStatus_8K, w), 0) << m_reply.data();
        EXPECT_EQ(w[8], 0x33u); // the 8024's output range
    }
    for (const Target t : {Target{0x38, false}, Target{k87024Sum, true}}) {
        auto w = block<std::uint32_t>(t.address, 0x87024, t.checksum);
        w[5] = 1;
        m_f[0] = -1.5F;
        ASSERT_EQ(call(AnalogOut_87K, w), 0) << m_reply.data();
        ASSERT_EQ(call(SetStartUpValue_87K, w), 0) << m_reply.data();
        m_f[0] = 0.0F;
        ASSERT_EQ(call(ReadStartUpValue_87K, w), 0) << m_reply.data();
        EXPECT_FLOAT_EQ(m_f[0], -1.5F);
        ASSERT_EQ(call(ReadConfigurationStatus_87K, w), 0) << m_reply.data();
        EXPECT_EQ(w[8], 0x33u);
        EXPECT_EQ(w[9], (t.checksum ? 0x40u : 0u) >> 2);
    }
}

} // namespace
} // namespace tev::iomodule::testing
