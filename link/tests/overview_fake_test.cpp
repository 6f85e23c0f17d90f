// The meter overview's refresh on a scripted line whose device is the simulated converter: refused,
// damaged, foreign and late replies.
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "fake_line.hpp"
#include "tev/link/meter_overview.hpp"
#include "tev/sim/converter.hpp"

using namespace tev;
using namespace tev::link;
using namespace tev::link::testing;

namespace {

enum class Fault { None, Corrupt, Cut, Silence, DeviceFailure, OtherSlave, LateInFront };

// The converter, with the read from one start register answered badly on demand.
struct SpoiltConverter {
    std::shared_ptr<sim::Converter> converter;
    Fault fault = Fault::None;
    int start = -1;
    Bytes last; // the reply to the request before

    Bytes answer(std::span<const std::uint8_t> request, const SerialSettings& settings) {
        const Bytes reply = converter->answer(request, {settings.baud, 10}).bytes;
        const Bytes before = std::exchange(last, reply);
        if (request.size() < 6 || (request[2] << 8 | request[3]) != start || reply.size() < 6)
            return reply;
        switch (fault) {
        case Fault::None:
            break;
        case Fault::Corrupt:
            return Spoilt(reply, 5);
        case Fault::Cut:
            return Cut(reply, reply.size() / 2);
        case Fault::Silence:
            return {};
        case Fault::DeviceFailure:
            return ExceptionReply(request[0], 0x03, 0x04);
        case Fault::OtherSlave: {
            Bytes other(reply.begin(), reply.end() - 2);
            other[0] ^= 0x01;
            return WithCrc(other);
        }
        case Fault::LateInFront:
            return Join({before, reply});
        }
        return reply;
    }
};

class OverviewOnLine : public ::testing::Test {
  protected:
    void SetUp() override {
        m_line.open({1, 9600, 0, 8, 0});
        m_line.device = [this](std::span<const std::uint8_t> request, const SerialSettings& settings) {
            return m_spoilt.answer(request, settings);
        };
    }

    static constexpr int kMeters = 40;
    std::shared_ptr<sim::Converter> m_device = std::make_shared<sim::Converter>(
        sim::ConverterConfig{.address = 1, .meterCount = kMeters}, sim::SampleMeters(kMeters, 20000000));
    SpoiltConverter m_spoilt{m_device};
    FakeLine m_line;
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

TEST_F(OverviewOnLine, RefusedBlocksAreReadSmaller) {
    for (const std::uint8_t code : {std::uint8_t{0x02}, std::uint8_t{0x03}}) {
        m_device->setReadLimit(40, code);
        MeterOverview overview(1, kMeters);
        const auto first = overview.refresh(m_line, 9600, 0);
        EXPECT_EQ(first.failedBlocks, 0) << int{code};
        ExpectRowsMatch(overview, *m_device);
        // The size that worked is kept: the next refresh asks nothing that is refused.
        const auto plan = overview.nextPlan();
        for (const ReadBlock& block : plan)
            EXPECT_LE(block.count, 40) << int{code};
        const auto second = overview.refresh(m_line, 9600, 0);
        EXPECT_EQ(second.exchanges, static_cast<int>(plan.size()));
        EXPECT_EQ(second.failedBlocks, 0);
    }
    // Any other exception is a failure, not a reason to read smaller.
    m_device->setReadLimit(40, 0x04);
    MeterOverview overview(1, kMeters);
    const auto stats = overview.refresh(m_line, 9600, 0);
    EXPECT_EQ(stats.exchanges, static_cast<int>(overview.nextPlan().size()));
    EXPECT_GT(stats.failedBlocks, 0);
    EXPECT_EQ(stats.lastError, ExchangeError::Exception);
}

TEST_F(OverviewOnLine, DamagedBlockLeavesItsRowsStaleNeverWrong) {
    for (const Fault fault : {Fault::Corrupt, Fault::Cut, Fault::Silence, Fault::DeviceFailure,
                              Fault::OtherSlave, Fault::LateInFront}) {
        MeterOverview overview(1, kMeters);
        m_spoilt.fault = Fault::None;
        ASSERT_EQ(overview.refresh(m_line, 9600, 0).failedBlocks, 0);
        const auto before = overview.rows();
        // Every serial changes; the block from register 0 (meters 1..31) then comes back damaged.
        for (std::size_t e = 0; e < 72; ++e) {
            auto record = m_device->entry(e);
            record.serial += 1000;
            m_device->setEntry(e, record);
        }
        m_spoilt.start = 0;
        m_spoilt.fault = fault;
        const auto stats = overview.refresh(m_line, 9600, 0);
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
        m_spoilt.fault = Fault::None;
    }
}

TEST_F(OverviewOnLine, CancelledRefreshAsksNothingMore) {
    MeterOverview overview(1, kMeters);
    const std::size_t planned = overview.nextPlan().size();
    m_line.then({{}, {}, [this] { m_line.cancel(); }, 5});
    const auto stats = overview.refresh(m_line, 9600, 0);
    EXPECT_EQ(stats.exchanges, 1);
    EXPECT_EQ(stats.failedBlocks, static_cast<int>(planned));
    EXPECT_EQ(stats.lastError, ExchangeError::Cancelled);
    EXPECT_FALSE(overview.listKnown());
}
