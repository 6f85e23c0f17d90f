// The overview of all meters of one converter ("全部表数据") without widgets: which block reads one
// refresh makes, running them on an open client, and one row per meter and counter.
//
// Entries are those of the data page: meters 0 .. n-1 (n from the converter's configuration) and the
// counters 64 .. 71. A refresh reads the four value registers 4e .. 4e+3 and the status register
// 5000 + e of every entry in as few reads as the block size allows (at most 125 registers, never
// cutting an entry in two); the meters' secondary addresses (7000 .., never across 7096 as the
// settings page reads them) and type numbers (8000 ..) are read with the first refresh and again
// only while a read of them has not yet succeeded.
//
// A block is used only when its reply is the CRC-valid answer of the addressed converter to that very
// request, with all the registers asked for. A converter that refuses a block with exception 02 or 03
// gets it again in halves, and the largest size that was then answered becomes the limit for that
// kind of block for as long as the overview lives. Rows of a block without a usable reply keep the
// values last read, marked stale: a stale value is never shown as new and never logged.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tev/link/line.hpp"
#include "tev/protocol/values.hpp"

namespace tev::link {

// What a block reads.
enum class BlockKind { Values, Status, Secondary, Types };
inline constexpr std::size_t kBlockKinds = 4;

// Register gap that is read through rather than starting another exchange: its bytes cost less
// than the request and reply framing (8 + 5 bytes) of a second exchange.
inline constexpr std::uint16_t kMergeGapRegisters = 6;
// Time a reply may take to begin beyond the frames' wire time.
inline constexpr std::uint16_t kBlockTurnaroundMs = 150;

// One read of holding registers and the entries it serves.
struct ReadBlock {
    BlockKind kind = BlockKind::Values;
    std::uint16_t start = 0;
    std::uint16_t count = 0;
    std::vector<int> entries; // entries whose registers lie in the block, ascending
    bool operator==(const ReadBlock&) const = default;
};

// Largest register count per kind of block, 1 .. 125.
using BlockLimits = std::array<std::uint16_t, kBlockKinds>;
inline constexpr BlockLimits kDefaultBlockLimits = {125, 125, 125, 125};

// Entries of an overview of `meterCount` meters (capped at 64): 0 .. n-1, then 64 .. 71.
std::vector<int> OverviewEntries(int meterCount);

// The reads of one refresh; `withList` adds the secondary addresses and types of the meters.
std::vector<ReadBlock> PlanOverview(int meterCount, const BlockLimits& limits, bool withList);

// Wire time of one block's request and reply at this rate (10 bits a byte, 11 with parity), ms.
double BlockWireMs(const ReadBlock& block, std::uint32_t baud, std::uint8_t parity);
// Receive timeout of a block: its wire time plus kBlockTurnaroundMs.
std::uint16_t BlockTimeoutMs(const ReadBlock& block, std::uint32_t baud, std::uint8_t parity);
// Shortest refresh period for a plan: the wire time of all its frames plus a turnaround of 20 ms per
// exchange, rounded up to whole 100 ms.
int MinimumPeriodMs(const std::vector<ReadBlock>& plan, std::uint32_t baud, std::uint8_t parity);

using WallClock = std::chrono::system_clock;

// One meter or counter as the overview shows it.
struct OverviewRow {
    int entry = 0;
    std::optional<std::string> secondary; // 12 hex digits; counters have none
    std::optional<std::uint8_t> type;     // type number; counters have none
    std::optional<protocol::MeterStatus> status;
    std::optional<protocol::MeterValues> values;
    bool statusFresh = false;                     // status read in the latest refresh
    bool valuesFresh = false;                     // values read in the latest refresh
    std::optional<WallClock::time_point> updated; // last refresh that read both

    // Some value shown was not read in the latest refresh.
    bool stale() const noexcept { return !(statusFresh && valuesFresh); }
};

// Texts of a row: " 通" / " 断" (empty without a status, "?" for another link value), "%02X" of the
// status, "%08d" of the serial, "%f" of the flow; empty where nothing was read.
std::string LinkText(const OverviewRow& row);
std::string StatusText(const OverviewRow& row);
std::string SerialText(const OverviewRow& row);
std::string FlowText(const OverviewRow& row);
// The type as two decimal digits, the way type.txt numbers its names; empty for none.
std::string TypeText(const OverviewRow& row);

// What one refresh did on the line.
struct RefreshStats {
    int exchanges = 0;
    int failedBlocks = 0; // blocks whose rows stayed stale
    double elapsedMs = 0;
    ExchangeError lastError = ExchangeError::None;
};

// The overview of one converter: a value, copied to the serial thread for a refresh and back.
class MeterOverview {
  public:
    MeterOverview() : MeterOverview(1, 0) {}
    // `limits`: block sizes this converter was found to answer earlier in the run.
    MeterOverview(std::uint8_t slave, int meterCount, const BlockLimits& limits = kDefaultBlockLimits);

    std::uint8_t slave() const noexcept { return m_slave; }
    int meterCount() const noexcept { return m_meterCount; }
    const std::vector<OverviewRow>& rows() const noexcept { return m_rows; }
    const BlockLimits& limits() const noexcept { return m_limits; }
    // The meter list (secondary addresses and types) has been read.
    bool listKnown() const noexcept { return m_secondaryKnown && m_typesKnown; }
    // The reads the next refresh makes.
    std::vector<ReadBlock> nextPlan() const { return PlanOverview(m_meterCount, m_limits, !listKnown()); }

    // Runs one refresh over an open client at this rate and parity; `now` stamps the rows it reads.
    RefreshStats refresh(Line& client, std::uint32_t baud, std::uint8_t parity,
                         WallClock::time_point now = WallClock::now());

  private:
    bool runBlock(Line& client, const ReadBlock& block, std::uint32_t baud, std::uint8_t parity,
                  RefreshStats& stats);
    void take(const ReadBlock& block, const std::vector<std::uint8_t>& data);
    OverviewRow* rowOf(int entry);

    std::uint8_t m_slave = 1;
    int m_meterCount = 0;
    BlockLimits m_limits = kDefaultBlockLimits;
    bool m_secondaryKnown = false;
    bool m_typesKnown = false;
    std::vector<OverviewRow> m_rows;
};

} // namespace tev::link
