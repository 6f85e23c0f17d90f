#include "tev/link/overview_refresh.hpp"

#include <algorithm>

#include "tev/link/meter_table.hpp"

namespace tev::link {

RefreshJob RunRefresh(Line& client, const SerialSettings& settings, MeterOverview overview) {
    RefreshJob job{std::move(overview), {}, WallClock::now(), {}};
    if (client.open(settings) != 0)
        job.openFailure = client.openFailure();
    job.stats = job.overview.refresh(client, settings.baud, settings.parity, job.at);
    return job;
}

void OverviewRefresh::start(const Converter& converter, const BlockLimits& learned) {
    m_overview = MeterOverview(converter.address, converter.config.meterCount, learned);
    m_lastStats = {};
}

bool OverviewRefresh::follow(const Converter& converter, const BlockLimits& learned) {
    const int meters = std::min<int>(converter.config.meterCount, static_cast<int>(MeterTable::kMaxUsed));
    if (converter.address == m_overview.slave() && meters == m_overview.meterCount())
        return false;
    start(converter, learned);
    return true;
}

OverviewRefresh::Taken OverviewRefresh::take(RefreshJob job) {
    Taken taken;
    if (job.stats.failedBlocks > 0 && m_lastStats.failedBlocks == 0)
        taken.failure = "全部表数据: " + std::to_string(job.stats.failedBlocks) + " 个数据块未读到 (" +
                        (job.openFailure.empty() ? ExchangeErrorText(job.stats.lastError) : job.openFailure) +
                        ")";
    if (job.overview.slave() != m_overview.slave() || job.overview.meterCount() != m_overview.meterCount())
        return taken;
    taken.shown = true;
    taken.limitsChanged = job.overview.limits() != m_overview.limits();
    m_lastStats = job.stats;
    m_overview = std::move(job.overview);
    return taken;
}

ShownValues ShownValuesOf(const OverviewRow& row) {
    return {LinkText(row), StatusText(row), SerialText(row), FlowText(row)};
}

bool ShowsChange(const ShownValues& before, const ShownValues& now) noexcept {
    return !before.empty() && before != now;
}

} // namespace tev::link
