// The overview page's decisions around a refresh: which overview a converter needs, what a refresh
// brought back, and which rows show a change.
#include <gtest/gtest.h>

#include "tev/link/overview_refresh.hpp"

using namespace tev::link;

namespace {

Converter At(std::uint8_t address, std::uint8_t meters) {
    Converter c;
    c.address = address;
    c.config.meterCount = meters;
    return c;
}

RefreshJob Job(std::uint8_t address, int meters, int failedBlocks) {
    RefreshJob job{MeterOverview(address, meters), {}, WallClock::now(), {}};
    job.stats.failedBlocks = failedBlocks;
    job.stats.lastError = ExchangeError::Timeout;
    return job;
}

TEST(OverviewRefresh, FollowsTheConverterAndDropsRefreshesOfAnother) {
    OverviewRefresh refresh;
    refresh.start(At(1, 8), kDefaultBlockLimits);
    EXPECT_FALSE(refresh.follow(At(1, 8), kDefaultBlockLimits));
    EXPECT_TRUE(refresh.follow(At(1, 90), kDefaultBlockLimits));
    EXPECT_EQ(refresh.overview().meterCount(), 64);
    EXPECT_FALSE(refresh.follow(At(1, 64), kDefaultBlockLimits)); // 90 meters are read as 64
    EXPECT_TRUE(refresh.follow(At(2, 8), kDefaultBlockLimits));
    // A refresh made for converter 1 comes back after the page moved to converter 2.
    const auto stale = refresh.take(Job(1, 8, 0));
    EXPECT_FALSE(stale.shown);
    EXPECT_TRUE(refresh.take(Job(2, 8, 0)).shown);
}

TEST(OverviewRefresh, AFailureIsReportedWhenItBegins) {
    OverviewRefresh refresh;
    refresh.start(At(1, 8), kDefaultBlockLimits);
    const int failed[] = {0, 2, 2, 0, 1};
    const bool reported[] = {false, true, false, false, true};
    for (int i = 0; i < 5; ++i) {
        const auto taken = refresh.take(Job(1, 8, failed[i]));
        EXPECT_EQ(!taken.failure.empty(), reported[i]) << i;
    }
    EXPECT_EQ(refresh.take(Job(1, 8, 0)).failure, "");
    EXPECT_NE(refresh.take(Job(1, 8, 3)).failure.find("3 个数据块未读到 (无应答)"), std::string::npos);
}

TEST(OverviewRefresh, ARowShowsAChangeOnlyAfterItsFirstValues) {
    const ShownValues none;
    const ShownValues first{" 通", "00", "00001234", "1.000000"};
    ShownValues later = first;
    later.flow = "2.000000";
    EXPECT_FALSE(ShowsChange(none, first));
    EXPECT_FALSE(ShowsChange(first, first));
    EXPECT_TRUE(ShowsChange(first, later));
    EXPECT_TRUE(ShowsChange(first, none)); // values gone
}

} // namespace
