// The page "全部表数据" around its refreshes, without widgets: which overview the converter needs, the
// refresh job run on the serial thread, what comes back (kept, dropped, a failure to report), and
// which rows show new values.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tev/link/converter.hpp"
#include "tev/link/meter_overview.hpp"
#include "tev/link/line.hpp"

namespace tev::link {

// What a refresh job hands back.
struct RefreshJob {
    MeterOverview overview;
    RefreshStats stats;
    WallClock::time_point at;
    std::string openFailure; // why the port did not open; empty when it did
};

// One refresh of `overview` on the client, opened with the converter's settings.
RefreshJob RunRefresh(Line& client, const SerialSettings& settings, MeterOverview overview);

// The overview of one converter as the page holds it between refreshes.
class OverviewRefresh {
  public:
    const MeterOverview& overview() const noexcept { return m_overview; }

    // A new overview of the converter, with the block sizes learned for it.
    void start(const Converter& converter, const BlockLimits& learned);
    // Follows the converter: a new overview (with the block sizes learned for it) when its address
    // or meter count is not the one of the overview held. True when it changed.
    bool follow(const Converter& converter, const BlockLimits& learned);

    struct Taken {
        bool shown = false;         // the refresh is now the overview held
        bool limitsChanged = false; // it learned other block sizes (keep them for the converter)
        std::string failure;        // a failure that began with this refresh, for the message bar
    };
    // Takes a refresh back. One made for another converter or meter count is dropped; a failure is
    // reported when it begins, not at every refresh.
    Taken take(RefreshJob job);

  private:
    MeterOverview m_overview;
    RefreshStats m_lastStats;
};

// The values of a row that a refresh may change: link, status, serial and flow as shown.
struct ShownValues {
    std::string link, status, serial, flow;
    bool operator==(const ShownValues&) const = default;
    bool empty() const noexcept { return link.empty() && status.empty() && serial.empty() && flow.empty(); }
};
ShownValues ShownValuesOf(const OverviewRow& row);
// A row shows a change: it showed values before and they differ now (a row's first values are none).
bool ShowsChange(const ShownValues& before, const ShownValues& now) noexcept;

} // namespace tev::link
