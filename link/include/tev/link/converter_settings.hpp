// The settings page's logic without widgets: the write request of each button with its input checks,
// the single pending-command slot its 500 ms tick empties, the meter-list reads and the chain of
// three meter-list writes, and the texts it reports.
//
// A write counts as done only when the converter echoed it (address, function, register and
// value or count) under a valid CRC; an exception reply, a corrupted reply or silence is a failure
// and is reported as one. The slot moves on either way: nothing is sent twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tev/link/converter.hpp"
#include "tev/link/line.hpp"
#include "tev/link/meter_table.hpp"

namespace tev::link {

// The page's commands, numbered as its pending slot holds them.
enum class SettingsCommand : std::uint8_t {
    None = 0,
    AcquisitionTime = 2, // register 6001
    AddressBaud = 3,     // register 6000
    TypeAndCount = 4,    // register 6002
    Parity = 5,          // register 6003
    Block1 = 7,          // secondary addresses of meters 1..32 from 7000
    Block2 = 8,          // secondary addresses of meters 33..64 from 7096
    Types = 9,           // meter types from 8000
};

// The page's rate list: index 0..6 gives "2400" .. "115200" and the code of register 6000.
inline constexpr std::size_t kRateCount = 7;
std::string RateText(std::size_t index);
// Index of a baud-rate code in the rate list; nullopt for a code that is none of them.
std::optional<std::size_t> RateIndexOfCode(std::uint8_t code) noexcept;

// Why a button sent nothing; the text is the message box's.
enum class InputError { None, AddressEmpty, AddressFormat, TimeRange };
const char* InputErrorText(InputError error) noexcept; // "地址不能为空!" ...

// A built write request, or the reason there is none.
struct BuiltWrite {
    std::vector<std::uint8_t> frame;
    InputError error = InputError::None;
    explicit operator bool() const noexcept { return error == InputError::None; }
};

// Address typed into "地址" (blanks at both ends trimmed): exactly two hexadecimal digits.
std::optional<std::uint8_t> ParseAddressText(std::string_view text, InputError* error = nullptr);

// "模块地址波特率设定": register 6000 of the converter at oldAddress takes the new address and the
// code of rate index rateIndex (0..6; others use 9600).
BuiltWrite BuildAddressBaudWrite(std::uint8_t oldAddress, std::string_view addressText,
                                 std::size_t rateIndex);
// "ZEDU采集时间设定": the decimal text must be 3 .. 9999 (checked before it is taken as 16 bits).
BuiltWrite BuildAcquisitionTimeWrite(std::uint8_t address, std::string_view timeText);
// "设置表数量": the type number in front of the first '-' of typeName (0 without one; a name of
// digits alone, shown for a type the file does not name, is that number) and the meter count, each
// taken as a byte.
BuiltWrite BuildTypeAndCountWrite(std::uint8_t address, std::string_view typeName,
                                  std::string_view countText);
// "模块校验设定": parity 0 none, 1 even, 2 odd.
BuiltWrite BuildParityWrite(std::uint8_t address, std::uint8_t parity);

// The leading decimal digits of a text (at most 3, so 0..255 as a byte; none gives 0): the type code
// of a type name such as "12-ABC".
std::uint8_t LeadingTypeCode(std::string_view text) noexcept;

// The three writes that put an edited meter list on the converter; a write that is not needed
// (no meters, or 32 meters or fewer for block 2) is empty.
struct MeterListWrites {
    std::vector<std::uint8_t> types;
    std::vector<std::uint8_t> block2;
    std::vector<std::uint8_t> block1;
};
// From the edited serials (padded with leading '0' to 12 characters) and the edited type codes of
// the first table.count entries. With an odd count the last register's low byte is 0.
MeterListWrites BuildMeterListWrites(std::uint8_t address, const MeterTable& table);

// What a meter-list read brought; an empty block was not answered (or not asked for).
struct MeterListRead {
    std::vector<std::uint8_t> block1; // register bytes of 7000 .. 7000 + 3p
    std::vector<std::uint8_t> block2; // register bytes of 7096 .. 7096 + 3q
    std::vector<std::uint8_t> types;  // register bytes of 8000 .. 8031
};
// Puts the read serials and type codes of the first table.count meters into the table; a serial or
// type the read did not reach (a block lost) is left empty: unread.
void ApplyMeterListRead(MeterTable& table, const MeterListRead& read);

// One request of the pending slot, with the receive time it gets beyond the base timeout T.
struct SettingsJob {
    SettingsCommand command = SettingsCommand::None;
    std::vector<std::uint8_t> frame;
    std::uint32_t extraMs = 0;
};

// The page's single pending command. A button overwrites it (dropping a meter-list chain not yet
// sent); each tick takes what is pending and the slot moves on: to nothing, or along the meter-list
// chain types -> block 2 (only with more than 32 meters) -> block 1 -> nothing.
class PendingCommand {
  public:
    void set(SettingsCommand command, std::vector<std::uint8_t> frame);
    // Starts the chain; with no meters there is nothing to write and nothing is pending.
    void setMeterList(MeterListWrites writes);
    std::optional<SettingsJob> take();
    SettingsCommand pending() const noexcept { return m_command; }

  private:
    SettingsCommand m_command = SettingsCommand::None;
    std::vector<std::uint8_t> m_single;
    MeterListWrites m_list;
};

// Receive time beyond T of a command: 0, T + 100 for the type and count, + 1000 for the types,
// + 2000 for the blocks.
std::uint32_t ExtraTimeoutMs(SettingsCommand command) noexcept;

// The message-bar text of a finished command: the converter's name followed directly by
// "模块校验设置完成 !" and the like, or by the failure text and its reason.
std::string CommandReport(const Converter& converter, SettingsCommand command, bool ok,
                          std::string_view reason = {});

// The converter after its address and rate changed: new address and rate, the configuration
// following them.
Converter WithAddressAndRate(Converter converter, std::uint8_t address, std::size_t rateIndex);

// Exchanges on the serial thread; each opens the client with the converter's settings first.

// A sent command: done when the converter echoed it.
struct CommandOutcome {
    SettingsCommand command = SettingsCommand::None;
    ExchangeError error = ExchangeError::Timeout;
    std::uint8_t exceptionCode = 0;
    bool ok() const noexcept { return error == ExchangeError::None; }
};
// "模块地址波特率设定" waits for the converter's echo: only an echoed change moves the converter.
class AddressChange {
  public:
    // The change the pending address write asks for.
    void expect(std::uint8_t address, std::size_t rateIndex) { m_change.emplace(address, rateIndex); }
    // The converter at its new address and rate when this outcome is the echoed address write; none
    // when the converter stays where it is. A finished address write ends the wait either way.
    std::optional<Converter> settle(const Converter& converter, const CommandOutcome& outcome);

  private:
    std::optional<std::pair<std::uint8_t, std::size_t>> m_change;
};

// The settings page's hidden type list: the names sorted by text (two-digit numbers stand in order)
// and the converter's type chosen by the number its name begins with; a type without a name is
// listed as its number (TypeNameOf).
struct TypeList {
    std::vector<std::string> names;
    std::size_t selected = 0;
};
TypeList SettingsTypeList(std::vector<std::string> names, std::uint8_t type);

// Sends the job with timeout T + its extra time and judges the reply.
CommandOutcome RunSettingsJob(Line& client, const Converter& converter, const SettingsJob& job);
// Short Chinese reason of a failure: "无应答", "异常应答 02" ...
std::string FailureReason(const CommandOutcome& outcome);

// "读配置参数": registers 6000..6004 with timeout T; nullopt without a sound reply.
struct ConfigRead {
    protocol::ConverterConfig config;
    std::string text; // 18 hex digits as the search keeps them
};
std::optional<ConfigRead> ReadConfiguration(Line& client, const Converter& converter);

// "型号序列号设置": the secondary addresses of `meterCount` meters and the 32 type registers, timeout
// T + 300 each; a block without a sound reply stays empty.
MeterListRead ReadMeterList(Line& client, const Converter& converter, std::size_t meterCount);

} // namespace tev::link
