#include "tev/link/data_poll.hpp"

#include "tev/protocol/register_map.hpp"
#include "tev/protocol/timeout.hpp"

namespace tev::link {
namespace {

constexpr const char* kMeterCaptions[] = {"表系列号", "累积流量"};
constexpr const char* kCounterCaptions[] = {"序列号", "第一路水量"};
constexpr const char* kMeterUnits[] = {"", "M3"};
constexpr const char* kCounterUnits[] = {"", "L"};

int ClampEntry(int entry) noexcept {
    return entry < 0 ? 0 : entry >= kDataEntries ? kDataEntries - 1 : entry;
}

std::string Hex4(unsigned value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out(4, '0');
    for (int i = 3; i >= 0; --i, value >>= 4)
        out[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return out;
}

} // namespace

bool IsCounterEntry(int entry) noexcept {
    return entry >= kDataMeterEntries;
}

std::string DataEntryName(int entry) {
    entry = ClampEntry(entry);
    return IsCounterEntry(entry) ? std::to_string(entry - kDataMeterEntries + 1) + "号计数器"
                                 : std::to_string(entry + 1) + "号表";
}

protocol::ModbusRequest8 DataStatusRequest(std::uint8_t slave, int entry) noexcept {
    return protocol::BuildReadRequest(slave,
                                      protocol::StatusRegister(static_cast<std::size_t>(ClampEntry(entry))),
                                      protocol::kStatusRegisterCount);
}

protocol::ModbusRequest8 DataValuesRequest(std::uint8_t slave, int entry) noexcept {
    return protocol::BuildReadRequest(slave,
                                      protocol::ValueRegister(static_cast<std::size_t>(ClampEntry(entry))),
                                      protocol::kValueRegisterCount);
}

DataPollResult RunDataPoll(Line& client, std::uint8_t slave, int entry) {
    DataPollResult result;
    result.entry = ClampEntry(entry);
    const ExchangeResult status = client.modbus(DataStatusRequest(slave, result.entry), kDataPollTimeoutMs);
    if (status)
        result.status = protocol::DecodeMeterStatus(status.data);
    const ExchangeResult values = client.modbus(DataValuesRequest(slave, result.entry), kDataPollTimeoutMs);
    if (values)
        result.values = protocol::DecodeMeterValues(values.data);
    result.elapsedMs = status.elapsedMs + values.elapsedMs;
    return result;
}

std::vector<DataRow> DataRows(int entry, const protocol::MeterValues& values) {
    entry = ClampEntry(entry);
    const bool counter = IsCounterEntry(entry);
    const std::string texts[] = {protocol::FormatSerial(values.serial), protocol::FormatFlow(values.flow)};
    std::vector<DataRow> rows;
    for (int j = 0; j < 2; ++j)
        rows.push_back(
            {std::to_string(j), counter ? kCounterCaptions[j] : kMeterCaptions[j],
             Hex4(protocol::ValueRegister(static_cast<std::size_t>(entry)) + 2U * static_cast<unsigned>(j)),
             "2", texts[j], counter ? kCounterUnits[j] : kMeterUnits[j]});
    return rows;
}

void DataView::apply(const DataPollResult& result) {
    if (result.status) {
        if (result.status->link == protocol::kLinkConnected)
            linkUp = true;
        else if (result.status->link == protocol::kLinkDisconnected)
            linkUp = false;
        statusText = protocol::FormatStatus(result.status->status);
    } else {
        statusText.clear();
        linkUp = false;
    }
    if (result.values) {
        rows = DataRows(result.entry, *result.values);
        return;
    }
    for (DataRow& row : rows)
        for (int column = 1; column <= 4; ++column)
            row[static_cast<std::size_t>(column)].clear();
}

int CyclicPeriodMs(std::uint32_t baud) noexcept {
    if (baud == 0)
        baud = protocol::kFallbackBaud;
    return static_cast<int>(19200 / baud * 150 + 200);
}

int StartPeriodMs(RefreshMode mode, std::uint32_t baud) noexcept {
    return mode == RefreshMode::Single ? kSinglePeriodMs : CyclicPeriodMs(baud);
}

TickAction DecideTick(const TickState& state) noexcept {
    if (state.meterListOpen || !state.pagesRunning || state.busy)
        return TickAction::Nothing;
    return state.polled ? TickAction::Poll : TickAction::Finish;
}

} // namespace tev::link
