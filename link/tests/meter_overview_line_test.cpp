// The meter overview's refresh against a simulated converter on a pseudo-terminal; its faults are
// tested on a scripted line (overview_fake_test.cpp).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tev/link/meter_overview.hpp"
#include "tev/link/serial_client.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

using namespace tev;
using namespace tev::link;

namespace {

constexpr std::uint8_t kPort = 14;
constexpr std::int32_t kFirstSerial = 20000000;

class OverviewLine : public ::testing::Test {
  protected:
    void SetUp() override {
        m_line.add(m_device);
        m_line.start();
        ::setenv("TEV_COM14", m_line.path().c_str(), 1);
        ASSERT_EQ(m_client.open({kPort, 9600, 0, 8, 0}), 0) << m_client.openFailure();
    }
    void TearDown() override {
        m_client.close();
        m_line.stop();
    }

    static constexpr int kMeters = 40;
    std::shared_ptr<sim::Converter> m_device = std::make_shared<sim::Converter>(
        sim::ConverterConfig{.address = 1, .meterCount = kMeters}, sim::SampleMeters(kMeters, kFirstSerial));
    sim::Line m_line;
    SerialClient m_client;
};

void ExpectRowsMatch(const MeterOverview& overview, const sim::Converter& device) {
    for (const OverviewRow& row : overview.rows()) {
        const auto record = device.entry(static_cast<std::size_t>(row.entry));
        ASSERT_FALSE(row.stale()) << row.entry;
        EXPECT_EQ(row.values->serial, record.serial) << row.entry;
        EXPECT_EQ(row.status->link, record.link) << row.entry;
        if (row.entry < 64) {
            EXPECT_EQ(row.type, record.type) << row.entry;
            EXPECT_EQ(row.secondary->substr(0, 8), std::to_string(record.serial)) << row.entry;
        }
    }
}

} // namespace

TEST_F(OverviewLine, ReadsEveryMeterAndTheListOnce) {
    MeterOverview overview(1, kMeters);
    const auto first = overview.refresh(m_client, 9600, 0);
    EXPECT_EQ(first.failedBlocks, 0);
    EXPECT_EQ(first.exchanges, 8); // 2 secondary, types, 2 status, 3 values
    ASSERT_EQ(overview.rows().size(), 48u);
    ExpectRowsMatch(overview, *m_device);
    EXPECT_TRUE(overview.listKnown());
    EXPECT_EQ(overview.refresh(m_client, 9600, 0).exchanges, 5);
}
