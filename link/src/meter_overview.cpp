#include "tev/link/meter_overview.hpp"

#include <algorithm>
#include <cmath>
#include <span>

#include "tev/protocol/meter_list.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/protocol/register_map.hpp"
#include "tev/protocol/timeout.hpp"

namespace tev::link {
namespace {

using protocol::kMaxMeters;

// Registers of one entry in a block; a block never cuts an item in two.
struct Item {
    std::uint16_t start = 0;
    std::uint16_t count = 0;
    std::vector<int> entries;
    int group = 0; // blocks never span two groups
};

constexpr std::size_t KindIndex(BlockKind kind) noexcept {
    return static_cast<std::size_t>(kind);
}

int CappedCount(int meterCount) noexcept {
    return std::clamp(meterCount, 0, static_cast<int>(kMaxMeters));
}

std::vector<Item> Items(BlockKind kind, const std::vector<int>& entries) {
    std::vector<Item> items;
    for (const int e : entries) {
        const auto index = static_cast<std::size_t>(e);
        switch (kind) {
        case BlockKind::Values:
            items.push_back({protocol::ValueRegister(index), protocol::kValueRegisterCount, {e}, 0});
            break;
        case BlockKind::Status:
            items.push_back({protocol::StatusRegister(index), protocol::kStatusRegisterCount, {e}, 0});
            break;
        case BlockKind::Secondary:
            if (index < kMaxMeters)
                items.push_back({protocol::SecondaryAddressRegister(index),
                                 3,
                                 {e},
                                 static_cast<int>(index / protocol::kMetersPerBlock)});
            break;
        case BlockKind::Types:
            if (index >= kMaxMeters)
                break;
            // Two meters share a register.
            if (!items.empty() && items.back().start == protocol::MeterTypeRegister(index))
                items.back().entries.push_back(e);
            else
                items.push_back({protocol::MeterTypeRegister(index), 1, {e}, 0});
            break;
        }
    }
    return items;
}

ReadBlock BlockOf(BlockKind kind, std::span<const Item> items) {
    ReadBlock block{kind, items.front().start, 0, {}};
    for (const Item& item : items)
        block.entries.insert(block.entries.end(), item.entries.begin(), item.entries.end());
    block.count = static_cast<std::uint16_t>(items.back().start + items.back().count - block.start);
    return block;
}

// Groups the items into blocks of at most `limit` registers (an item larger than the limit is read
// alone), reading through gaps of up to kMergeGapRegisters.
void AppendBlocks(std::vector<ReadBlock>& out, BlockKind kind, const std::vector<Item>& items,
                  std::uint16_t limit) {
    std::size_t first = 0;
    for (std::size_t i = 1; i <= items.size(); ++i) {
        const bool end = i == items.size();
        if (!end) {
            const Item& prev = items[i - 1];
            const Item& item = items[i];
            const unsigned prevEnd = prev.start + prev.count;
            const unsigned span = item.start + item.count - items[first].start;
            if (item.group == prev.group && item.start >= prevEnd &&
                item.start - prevEnd <= kMergeGapRegisters && span <= limit)
                continue;
        }
        if (!items.empty())
            out.push_back(BlockOf(kind, std::span(items).subspan(first, i - first)));
        first = i;
    }
}

std::vector<int> MeterEntries(int meterCount) {
    std::vector<int> meters(static_cast<std::size_t>(CappedCount(meterCount)));
    for (std::size_t i = 0; i < meters.size(); ++i)
        meters[i] = static_cast<int>(i);
    return meters;
}

// The two halves of a refused block, by items.
std::pair<ReadBlock, ReadBlock> Halves(const ReadBlock& block) {
    const auto items = Items(block.kind, block.entries);
    const std::size_t half = items.size() / 2;
    return {BlockOf(block.kind, std::span(items).first(half)),
            BlockOf(block.kind, std::span(items).subspan(half))};
}

std::size_t ItemCount(const ReadBlock& block) {
    return Items(block.kind, block.entries).size();
}

} // namespace

std::vector<int> OverviewEntries(int meterCount) {
    std::vector<int> entries = MeterEntries(meterCount);
    for (std::size_t c = 0; c < protocol::kCounterEntries; ++c)
        entries.push_back(static_cast<int>(protocol::kFirstCounterEntry + c));
    return entries;
}

std::vector<ReadBlock> PlanOverview(int meterCount, const BlockLimits& limits, bool withList) {
    const std::vector<int> entries = OverviewEntries(meterCount);
    std::vector<ReadBlock> plan;
    const auto limit = [&](BlockKind kind) {
        return std::clamp<std::uint16_t>(limits[KindIndex(kind)], 1, protocol::kMaxReadRegisters);
    };
    if (withList && CappedCount(meterCount) > 0) {
        const std::vector<int> meters = MeterEntries(meterCount);
        AppendBlocks(plan, BlockKind::Secondary, Items(BlockKind::Secondary, meters),
                     limit(BlockKind::Secondary));
        AppendBlocks(plan, BlockKind::Types, Items(BlockKind::Types, meters), limit(BlockKind::Types));
    }
    AppendBlocks(plan, BlockKind::Status, Items(BlockKind::Status, entries), limit(BlockKind::Status));
    AppendBlocks(plan, BlockKind::Values, Items(BlockKind::Values, entries), limit(BlockKind::Values));
    return plan;
}

double BlockWireMs(const ReadBlock& block, std::uint32_t baud, std::uint8_t parity) {
    if (baud == 0)
        baud = protocol::kFallbackBaud;
    const double bytes = static_cast<double>(protocol::kReadRequestLength) + 5.0 + 2.0 * block.count;
    const double bitsPerByte = parity == 0 ? 10.0 : 11.0;
    return bytes * bitsPerByte * 1000.0 / baud;
}

std::uint16_t BlockTimeoutMs(const ReadBlock& block, std::uint32_t baud, std::uint8_t parity) {
    const double ms = std::ceil(BlockWireMs(block, baud, parity)) + kBlockTurnaroundMs;
    return static_cast<std::uint16_t>(std::min(ms, 65535.0));
}

int MinimumPeriodMs(const std::vector<ReadBlock>& plan, std::uint32_t baud, std::uint8_t parity) {
    constexpr double kTurnaroundMs = 20.0;
    double ms = 0;
    for (const ReadBlock& block : plan)
        ms += BlockWireMs(block, baud, parity) + kTurnaroundMs;
    return static_cast<int>(std::ceil(ms / 100.0)) * 100;
}

std::string LinkText(const OverviewRow& row) {
    if (!row.status)
        return {};
    switch (row.status->link) {
    case protocol::kLinkConnected:
        return " 通";
    case protocol::kLinkDisconnected:
        return " 断";
    default:
        return "?";
    }
}

std::string StatusText(const OverviewRow& row) {
    return row.status ? protocol::FormatStatus(row.status->status) : std::string();
}

std::string SerialText(const OverviewRow& row) {
    return row.values ? protocol::FormatSerial(row.values->serial) : std::string();
}

std::string FlowText(const OverviewRow& row) {
    return row.values ? protocol::FormatFlow(row.values->flow) : std::string();
}

std::string TypeText(const OverviewRow& row) {
    if (!row.type)
        return {};
    const unsigned type = *row.type;
    return type < 10 ? "0" + std::to_string(type) : std::to_string(type);
}

MeterOverview::MeterOverview(std::uint8_t slave, int meterCount, const BlockLimits& limits)
    : m_slave(slave), m_meterCount(CappedCount(meterCount)), m_limits(limits) {
    for (const int e : OverviewEntries(m_meterCount)) {
        OverviewRow row;
        row.entry = e;
        m_rows.push_back(row);
    }
}

OverviewRow* MeterOverview::rowOf(int entry) {
    const std::size_t index = entry < m_meterCount
                                  ? static_cast<std::size_t>(entry)
                                  : static_cast<std::size_t>(m_meterCount) + static_cast<std::size_t>(entry) -
                                        protocol::kFirstCounterEntry;
    return index < m_rows.size() && m_rows[index].entry == entry ? &m_rows[index] : nullptr;
}

RefreshStats MeterOverview::refresh(Line& client, std::uint32_t baud, std::uint8_t parity,
                                    WallClock::time_point now) {
    RefreshStats stats;
    for (OverviewRow& row : m_rows)
        row.statusFresh = row.valuesFresh = false;
    bool secondaryOk = true;
    bool typesOk = true;
    for (const ReadBlock& block : nextPlan()) {
        const int failedBefore = stats.failedBlocks;
        if (stats.lastError != ExchangeError::Cancelled)
            runBlock(client, block, baud, parity, stats);
        else
            ++stats.failedBlocks;
        const bool ok = stats.failedBlocks == failedBefore;
        if (block.kind == BlockKind::Secondary)
            secondaryOk = secondaryOk && ok;
        if (block.kind == BlockKind::Types)
            typesOk = typesOk && ok;
    }
    if (!m_secondaryKnown)
        m_secondaryKnown = secondaryOk;
    if (!m_typesKnown)
        m_typesKnown = typesOk;
    for (OverviewRow& row : m_rows)
        if (!row.stale())
            row.updated = now;
    return stats;
}

// Reads one block; a block refused for its size is read in halves. True when the block was answered
// whole; a failed part counts in stats.failedBlocks.
bool MeterOverview::runBlock(Line& client, const ReadBlock& block, std::uint32_t baud, std::uint8_t parity,
                             RefreshStats& stats) {
    const auto request = protocol::BuildReadRequest(m_slave, block.start, block.count);
    const ExchangeResult result = client.modbus(request, BlockTimeoutMs(block, baud, parity));
    ++stats.exchanges;
    stats.elapsedMs += result.elapsedMs;
    if (result && result.data.size() == 2u * block.count) {
        take(block, result.data);
        return true;
    }
    const bool refused = result.error == ExchangeError::Exception &&
                         (result.exceptionCode == 0x02 || result.exceptionCode == 0x03);
    if (refused && ItemCount(block) > 1) {
        const auto [first, second] = Halves(block);
        const bool firstOk = runBlock(client, first, baud, parity, stats);
        bool secondOk = false;
        if (stats.lastError == ExchangeError::Cancelled)
            ++stats.failedBlocks; // the second half is not asked
        else
            secondOk = runBlock(client, second, baud, parity, stats);
        // The largest half that was answered is the size that works.
        std::uint16_t answered = 0;
        if (firstOk)
            answered = first.count;
        if (secondOk)
            answered = std::max(answered, second.count);
        std::uint16_t& limit = m_limits[KindIndex(block.kind)];
        if (answered > 0)
            limit = std::min(limit, answered);
        return false;
    }
    stats.lastError = result ? ExchangeError::Mismatch : result.error;
    ++stats.failedBlocks;
    return false;
}

void MeterOverview::take(const ReadBlock& block, const std::vector<std::uint8_t>& data) {
    const std::span<const std::uint8_t> bytes(data);
    const auto at = [&](std::uint16_t reg) { return 2u * static_cast<std::size_t>(reg - block.start); };
    for (const int e : block.entries) {
        OverviewRow* row = rowOf(e);
        if (!row)
            continue;
        const auto index = static_cast<std::size_t>(e);
        switch (block.kind) {
        case BlockKind::Values:
            row->values = protocol::DecodeMeterValues(bytes.subspan(at(protocol::ValueRegister(index)), 8));
            row->valuesFresh = row->values.has_value();
            break;
        case BlockKind::Status:
            row->status = protocol::DecodeMeterStatus(bytes.subspan(at(protocol::StatusRegister(index)), 2));
            row->statusFresh = row->status.has_value();
            break;
        case BlockKind::Secondary:
            row->secondary = protocol::SecondaryAddressText(
                bytes.subspan(at(protocol::SecondaryAddressRegister(index)), 6), 0);
            break;
        case BlockKind::Types:
            row->type = bytes[at(protocol::MeterTypeRegister(index)) + index % 2];
            break;
        }
    }
}

} // namespace tev::link
