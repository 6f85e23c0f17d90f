#include <gtest/gtest.h>

#include "tev/link/data_poll.hpp"

using namespace tev::link;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes ToBytes(const tev::protocol::ModbusRequest8& r) {
    return {r.begin(), r.end()};
}

TEST(DataPoll, Requests) {
    EXPECT_EQ(ToBytes(DataStatusRequest(1, 0)), (Bytes{0x01, 0x03, 0x13, 0x88, 0x00, 0x01, 0x00, 0xA4}));
    EXPECT_EQ(ToBytes(DataValuesRequest(1, 0)), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x04, 0x44, 0x09}));
    const struct {
        int entry;
        unsigned status, values;
    } cases[] = {{2, 5002, 8}, {63, 5063, 252}, {64, 5064, 256}, {71, 5071, 284}, {99, 5071, 284}, {-1, 5000, 0}};
    for (const auto& c : cases) {
        const auto s = DataStatusRequest(7, c.entry);
        const auto v = DataValuesRequest(7, c.entry);
        EXPECT_EQ(s[0], 7);
        EXPECT_EQ(s[2] << 8 | s[3], c.status) << c.entry;
        EXPECT_EQ(v[2] << 8 | v[3], c.values) << c.entry;
        EXPECT_EQ(v[5], 4);
    }
}

TEST(DataPoll, EntryNamesAndRows) {
    EXPECT_EQ(DataEntryName(0), "1号表");
    EXPECT_EQ(DataEntryName(63), "64号表");
    EXPECT_EQ(DataEntryName(64), "1号计数器");
    EXPECT_EQ(DataEntryName(71), "8号计数器");

    const auto meter = DataRows(2, {12345678, 10.0F});
    ASSERT_EQ(meter.size(), 2U);
    EXPECT_EQ(meter[0], (DataRow{"0", "表系列号", "0008", "2", "12345678", ""}));
    EXPECT_EQ(meter[1], (DataRow{"1", "累积流量", "000A", "2", "10.000000", "M3"}));
    const auto counter = DataRows(64, {42, 0.5F});
    EXPECT_EQ(counter[0], (DataRow{"0", "序列号", "0100", "2", "00000042", ""}));
    EXPECT_EQ(counter[1], (DataRow{"1", "第一路水量", "0102", "2", "0.500000", "L"}));
}

TEST(DataPoll, ViewTakesReplies) {
    using tev::protocol::MeterStatus;
    DataView view;
    view.apply({2, MeterStatus{1, 0x1B}, tev::protocol::MeterValues{7, 1.5F}, 0});
    EXPECT_TRUE(view.linkUp);
    EXPECT_EQ(view.statusText, "1B");
    ASSERT_EQ(view.rows.size(), 2U);
    EXPECT_EQ(view.rows[1][4], "1.500000");

    view.apply({2, MeterStatus{2, 0x05}, std::nullopt, 0}); // unknown link value: indicator kept
    EXPECT_TRUE(view.linkUp);
    EXPECT_EQ(view.statusText, "05");
    EXPECT_EQ(view.rows[0], (DataRow{"0", "", "", "", "", ""}));
    EXPECT_EQ(view.rows[1], (DataRow{"1", "", "", "", "", "M3"}));

    view.apply({2, MeterStatus{0, 0x00}, std::nullopt, 0});
    EXPECT_FALSE(view.linkUp);
    view.apply({2, MeterStatus{1, 0x00}, std::nullopt, 0});
    view.apply({2, std::nullopt, std::nullopt, 0});
    EXPECT_FALSE(view.linkUp);
    EXPECT_EQ(view.statusText, "");
}

TEST(DataPoll, TimerRules) {
    const std::pair<std::uint32_t, int> periods[] = {{2400, 1400}, {4800, 800}, {9600, 500},   {19200, 350},
                                                     {38400, 200}, {115200, 200}, {0, 500}, {1200, 2600}};
    for (const auto& [baud, ms] : periods)
        EXPECT_EQ(StartPeriodMs(RefreshMode::Cyclic, baud), ms) << baud;
    EXPECT_EQ(StartPeriodMs(RefreshMode::Single, 2400), 100);

    const struct {
        TickState state;
        TickAction action;
    } ticks[] = {
        {{false, true, false, true}, TickAction::Poll},
        {{false, true, false, false}, TickAction::Finish},
        {{true, true, false, true}, TickAction::Nothing},
        {{false, false, false, true}, TickAction::Nothing},
        {{false, true, true, true}, TickAction::Nothing},
        {{true, true, false, false}, TickAction::Nothing},
    };
    for (const auto& t : ticks)
        EXPECT_EQ(DecideTick(t.state), t.action);
}

} // namespace
