// The meter overview's refresh against a simulated converter on a pseudo-terminal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tev/link/meter_overview.hpp"
#include "tev/link/serial_client.hpp"
#include "tev/protocol/crc.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

using namespace tev;
using namespace tev::link;

namespace {

constexpr std::uint8_t kPort = 14;
constexpr std::int32_t kFirstSerial = 20000000;

// The converter, with one read (by its start register) answered badly on demand.
class Spoiler final : public sim::Device {
  public:
    enum class Fault { None, Corrupt, Truncate, Drop, DeviceFailure, OtherSlave };
    explicit Spoiler(std::shared_ptr<sim::Converter> c) : m_converter(std::move(c)) {}
    std::size_t frameLength(std::span<const std::uint8_t> bytes) const override {
        return m_converter->frameLength(bytes);
    }
    sim::Reply answer(std::span<const std::uint8_t> frame, const sim::LineState& line) override {
        sim::Reply reply = m_converter->answer(frame, line);
        if (frame.size() < 6 || (frame[2] << 8 | frame[3]) != m_start || reply.bytes.size() < 6)
            return reply;
        auto& b = reply.bytes;
        switch (m_fault.load()) {
        case Fault::None:
            break;
        case Fault::Corrupt:
            b[5] ^= 0x40; // a data bit: the CRC no longer matches
            break;
        case Fault::Truncate:
            b.resize(b.size() / 2);
            break;
        case Fault::Drop:
            b.clear();
            break;
        case Fault::DeviceFailure:
            b = {frame[0], 0x83, 0x04};
            break;
        case Fault::OtherSlave:
            b[0] ^= 0x01;
            b.resize(b.size() - 2);
            break;
        }
        if (m_fault == Fault::DeviceFailure || m_fault == Fault::OtherSlave) {
            const auto crc = protocol::ModbusCrc16(b);
            b.push_back(static_cast<std::uint8_t>(crc & 0xFF));
            b.push_back(static_cast<std::uint8_t>(crc >> 8));
        }
        reply.checksumAt = b.empty() ? 0 : b.size() - 1;
        return reply;
    }
    std::atomic<Fault> m_fault{Fault::None};
    std::atomic<int> m_start{-1};

  private:
    std::shared_ptr<sim::Converter> m_converter;
};

class OverviewLine : public ::testing::Test {
  protected:
    void SetUp() override {
        m_line.add(m_spoiler);
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
    std::shared_ptr<Spoiler> m_spoiler = std::make_shared<Spoiler>(m_device);
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

TEST_F(OverviewLine, RefusedBlocksAreReadSmaller) {
    for (const std::uint8_t code : {std::uint8_t{0x02}, std::uint8_t{0x03}}) {
        m_device->setReadLimit(40, code);
        MeterOverview overview(1, kMeters);
        const auto first = overview.refresh(m_client, 9600, 0);
        EXPECT_EQ(first.failedBlocks, 0) << int{code};
        ExpectRowsMatch(overview, *m_device);
        // The size that worked is kept: the next refresh asks nothing that is refused.
        const auto plan = overview.nextPlan();
        for (const ReadBlock& block : plan)
            EXPECT_LE(block.count, 40) << int{code};
        const auto second = overview.refresh(m_client, 9600, 0);
        EXPECT_EQ(second.exchanges, static_cast<int>(plan.size()));
        EXPECT_EQ(second.failedBlocks, 0);
    }
}

TEST_F(OverviewLine, DamagedBlockLeavesItsRowsStaleNeverWrong) {
    using Fault = Spoiler::Fault;
    for (const Fault fault :
         {Fault::Corrupt, Fault::Truncate, Fault::Drop, Fault::DeviceFailure, Fault::OtherSlave}) {
        MeterOverview overview(1, kMeters);
        m_spoiler->m_fault = Fault::None;
        ASSERT_EQ(overview.refresh(m_client, 9600, 0).failedBlocks, 0);
        const auto before = overview.rows();
        // Every serial changes; the block from register 0 (meters 1..31) then comes back damaged.
        for (std::size_t e = 0; e < 72; ++e) {
            auto record = m_device->entry(e);
            record.serial += 1000;
            m_device->setEntry(e, record);
        }
        m_spoiler->m_start = 0;
        m_spoiler->m_fault = fault;
        const auto stats = overview.refresh(m_client, 9600, 0);
        EXPECT_EQ(stats.failedBlocks, 1) << static_cast<int>(fault);
        for (const OverviewRow& row : overview.rows()) {
            const auto e = static_cast<std::size_t>(row.entry);
            if (row.entry < 31) {
                EXPECT_TRUE(row.stale());
                EXPECT_FALSE(row.valuesFresh);
                EXPECT_TRUE(row.statusFresh);
                // The last good values, marked stale.
                EXPECT_EQ(row.values->serial, before[e].values->serial);
                EXPECT_EQ(row.values->flow, before[e].values->flow);
                EXPECT_EQ(row.updated, before[e].updated);
            } else {
                EXPECT_FALSE(row.stale()) << row.entry;
                EXPECT_EQ(row.values->serial, m_device->entry(e).serial) << row.entry;
            }
        }
        m_spoiler->m_fault = Fault::None;
    }
}
