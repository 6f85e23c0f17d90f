// The settings page's exchanges against a simulated converter on a pseudo-terminal; their faults are
// tested on a scripted line (modbus_fake_test.cpp).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tev/link/converter_settings.hpp"
#include "tev/link/serial_client.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

using namespace tev;
using namespace tev::link;

namespace {

constexpr std::uint8_t kPort = 13;

class SettingsLine : public ::testing::Test {
  protected:
    void SetUp() override {
        m_line.add(m_device);
        m_line.start();
        ::setenv("TEV_COM13", m_line.path().c_str(), 1);
        m_converter.port = kPort;
        m_converter.address = 1;
        m_converter.baud = 9600;
    }
    void TearDown() override { m_line.stop(); }

    CommandOutcome send(SettingsCommand command, const std::vector<std::uint8_t>& frame) {
        return RunSettingsJob(m_client, m_converter, {command, frame, ExtraTimeoutMs(command)});
    }

    std::shared_ptr<sim::Converter> m_device = std::make_shared<sim::Converter>(
        sim::ConverterConfig{.address = 1, .meterCount = 40}, sim::SampleMeters(40, 5000));
    sim::Line m_line;
    SerialClient m_client;
    Converter m_converter;
};

} // namespace

TEST_F(SettingsLine, WritesChangeTheConverterAndReadBack) {
    EXPECT_TRUE(send(SettingsCommand::AcquisitionTime, BuildAcquisitionTimeWrite(1, "120").frame).ok());
    EXPECT_TRUE(send(SettingsCommand::Parity, BuildParityWrite(1, 2).frame).ok());
    EXPECT_TRUE(send(SettingsCommand::AddressBaud, BuildAddressBaudWrite(1, "0A", 3).frame).ok());
    m_converter = WithAddressAndRate(m_converter, 0x0A, 3);
    const auto read = ReadConfiguration(m_client, m_converter);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->config.address, 0x0A);
    EXPECT_EQ(read->config.baudCode, 0x37);
    EXPECT_EQ(read->config.acquisitionTime, 120);
    EXPECT_EQ(read->config.parity, 2);
    EXPECT_EQ(read->text.size(), 18u);
}

TEST_F(SettingsLine, MeterListOfFortyMetersIsWrittenAndReadBack) {
    MeterTable table;
    table.count = 40;
    ApplyMeterListRead(table, ReadMeterList(m_client, m_converter, 40));
    EXPECT_EQ(table.entries[39].readSerial, "000050390107"); // block 2 reached
    for (int k = 0; k < 40; ++k) {
        auto& e = table.entries[static_cast<std::size_t>(k)];
        e.editedSerial = k == 0 ? "12345" : std::to_string(900000000000 + k);
        e.editedType = "05";
    }
    PendingCommand slot;
    slot.setMeterList(BuildMeterListWrites(1, table));
    while (const auto job = slot.take())
        EXPECT_TRUE(RunSettingsJob(m_client, m_converter, *job).ok()) << static_cast<int>(job->command);
    EXPECT_EQ(m_device->entry(0).secondary, (std::array<std::uint8_t, 6>{0, 0, 0, 1, 0x23, 0x45}));
    EXPECT_EQ(m_device->entry(39).secondary, (std::array<std::uint8_t, 6>{0x90, 0, 0, 0, 0, 0x39}));
    EXPECT_EQ(m_device->entry(39).type, 5);
    MeterTable back;
    back.count = 40;
    ApplyMeterListRead(back, ReadMeterList(m_client, m_converter, 40));
    EXPECT_EQ(back.entries[0].readSerial, "000000012345");
    EXPECT_EQ(back.entries[39].readType, "05");
}
