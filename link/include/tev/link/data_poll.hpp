// The data page's work without widgets: what one poll of an entry asks the converter, how the
// replies change what the page shows, and the refresh cycle's timer rules.
//
// Entries: 0..63 are the meters "1号表" ... "64号表", 64..71 the counters "1号计数器" ...
// "8号计数器". A poll reads the entry's status register 5000 + e (link state high, M-Bus status low)
// and its four value registers from 4e (serial number, then flow). Counters use the same layout as
// meters: their values are read from 4e and the table shows those same addresses (0100 for the first
// counter), so what is shown is where the value came from.
//
// A reply counts only when it is the CRC-valid reply of the addressed converter to that very
// request; an exception reply, a damaged or foreign frame and silence all count as no reply.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tev/link/line.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/protocol/values.hpp"

namespace tev::link {

inline constexpr int kDataEntries = 72;
inline constexpr int kDataMeterEntries = 64;
// Receive timeout of each of a poll's two exchanges.
inline constexpr std::uint16_t kDataPollTimeoutMs = 150;

// "3号表", "2号计数器".
std::string DataEntryName(int entry);
bool IsCounterEntry(int entry) noexcept;

protocol::ModbusRequest8 DataStatusRequest(std::uint8_t slave, int entry) noexcept;
protocol::ModbusRequest8 DataValuesRequest(std::uint8_t slave, int entry) noexcept;

// What one poll brought back; nullopt where the exchange gave no usable reply.
struct DataPollResult {
    int entry = 0;
    std::optional<protocol::MeterStatus> status;
    std::optional<protocol::MeterValues> values;
    double elapsedMs = 0; // both exchanges, from the first send to the last byte received
};

// Runs the two exchanges of a poll of `entry` on an open client.
DataPollResult RunDataPoll(Line& client, std::uint8_t slave, int entry);

// One row of the value table: "序号", "物理量", "MODBUS地址", "字长度", "数据显示", "单位".
using DataRow = std::array<std::string, 6>;
inline constexpr int kDataColumns = 6;

// What the page shows of its entry.
struct DataView {
    bool linkUp = false;    // " 通" shown, else " 断"
    std::string statusText; // "%02X" of the status, or empty
    std::vector<DataRow> rows;

    // Takes in a poll's result: a status reply sets the link (1 up, 0 down, any other value leaves
    // it) and the status text; no status reply empties the text and shows the link down. A values
    // reply rebuilds the two rows; no values reply empties columns 1 to 4 of every row.
    void apply(const DataPollResult& result);
    bool operator==(const DataView&) const = default;
};

// The two rows shown for an entry with these values.
std::vector<DataRow> DataRows(int entry, const protocol::MeterValues& values);

// The refresh cycle's timer rules.
enum class RefreshMode { Single, Cyclic };
inline constexpr int kFirstPeriodMs = 1300;
inline constexpr int kSinglePeriodMs = 100;
// (19200 / baud) x 150 + 200 ms, integer division: 1400 at 2400, 500 at 9600, 200 at 38400 and up.
// A baud rate of 0 uses the converter's factory rate.
int CyclicPeriodMs(std::uint32_t baud) noexcept;
// The period "刷新开始" starts the timer with.
int StartPeriodMs(RefreshMode mode, std::uint32_t baud) noexcept;

// What a timer tick does, in the order it checks.
struct TickState {
    bool meterListOpen = false; // the meter list dialog is being edited
    bool pagesRunning = true;   // the converter pages run (not stopped by a search or a tool)
    bool busy = false;          // the previous poll is still on the line
    bool polled = true;         // the converter is one the page polls
};
enum class TickAction {
    Nothing, // end the tick at once
    Poll,    // hand the poll to the serial thread; finish when it comes back
    Finish,  // poll Nothing, but finish the tick (in single mode: stop)
};
TickAction DecideTick(const TickState& state) noexcept;

} // namespace tev::link
