#include "tev/link/converter_settings.hpp"
#include "tev/link/trim.hpp"
#include "tev/link/type_file.hpp"

#include <algorithm>
#include <array>

#include "tev/protocol/hex_input.hpp"
#include "tev/protocol/meter_list.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/protocol/register_map.hpp"
#include "tev/protocol/values.hpp"

namespace tev::link {
namespace {

using protocol::kBaudCodes;

constexpr std::size_t kDefaultRateIndex = 2; // 9600

// The number a C program's atoi would see: blanks, a sign, then decimal digits; saturates far beyond
// any value used here instead of overflowing.
long LeadingNumber(std::string_view text) noexcept {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = std::min(value * 10 + (c - '0'), 1'000'000'000L);
    }
    return negative ? -value : value;
}

std::vector<std::uint8_t> WriteSingle(std::uint8_t address, std::uint16_t reg, std::uint8_t hi,
                                      std::uint8_t lo) {
    const auto frame =
        protocol::BuildWriteSingleRequest(address, reg, static_cast<std::uint16_t>(hi << 8 | lo));
    return {frame.begin(), frame.end()};
}

} // namespace

std::string RateText(std::size_t index) {
    return std::to_string(kBaudCodes[index < kRateCount ? index : kDefaultRateIndex].baud);
}

std::optional<std::size_t> RateIndexOfCode(std::uint8_t code) noexcept {
    return protocol::BaudCodeIndex(code);
}

const char* InputErrorText(InputError error) noexcept {
    switch (error) {
    case InputError::None:
        return "";
    case InputError::AddressEmpty:
        return "地址不能为空!";
    case InputError::AddressFormat:
        return "地址格式不对!";
    case InputError::TimeRange:
        return "时间范围不正确!";
    }
    return "";
}

std::optional<std::uint8_t> ParseAddressText(std::string_view text, InputError* error) {
    text = Trim(text);
    InputError found = InputError::None;
    if (text.empty())
        found = InputError::AddressEmpty;
    else if (text.size() != 2 || protocol::HexDigitValue(text[0]) < 0 || protocol::HexDigitValue(text[1]) < 0)
        found = InputError::AddressFormat; // "1", "123" and "G1" alike: no two hex digits, no address
    if (error)
        *error = found;
    if (found != InputError::None)
        return std::nullopt;
    return protocol::HexGroupValue(text);
}

BuiltWrite BuildAddressBaudWrite(std::uint8_t oldAddress, std::string_view addressText,
                                 std::size_t rateIndex) {
    InputError error = InputError::None;
    const auto address = ParseAddressText(addressText, &error);
    if (!address)
        return {{}, error};
    const std::uint8_t code = kBaudCodes[rateIndex < kRateCount ? rateIndex : kDefaultRateIndex].code;
    return {WriteSingle(oldAddress, protocol::kRegAddressBaud, *address, code), InputError::None};
}

BuiltWrite BuildAcquisitionTimeWrite(std::uint8_t address, std::string_view timeText) {
    const long time = LeadingNumber(timeText);
    if (time < protocol::kMinAcquisitionTime || time > protocol::kMaxAcquisitionTime)
        return {{}, InputError::TimeRange};
    const auto t = static_cast<std::uint16_t>(time);
    return {WriteSingle(address, protocol::kRegAcquisitionTime, static_cast<std::uint8_t>(t >> 8),
                        static_cast<std::uint8_t>(t & 0xFF)),
            InputError::None};
}

BuiltWrite BuildTypeAndCountWrite(std::uint8_t address, std::string_view typeName,
                                  std::string_view countText) {
    // A name without '-' is type 0, unless it is the bare number shown for a type without a name.
    const bool bareNumber = !typeName.empty() && typeName.size() <= 3 &&
                            typeName.find_first_not_of("0123456789") == std::string_view::npos;
    const std::uint8_t type =
        typeName.find('-') != std::string_view::npos || bareNumber ? TypeNumberOfName(typeName) : 0;
    const long count = LeadingNumber(countText);
    return {WriteSingle(address, protocol::kRegTypeAndCount, type, static_cast<std::uint8_t>(count)),
            InputError::None};
}

BuiltWrite BuildParityWrite(std::uint8_t address, std::uint8_t parity) {
    return {WriteSingle(address, protocol::kRegParity, 0, parity), InputError::None};
}

std::uint8_t LeadingTypeCode(std::string_view text) noexcept {
    int value = 0;
    for (std::size_t i = 0; i < text.size() && i < 3 && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + (text[i] - '0');
    return static_cast<std::uint8_t>(std::min(value, 255));
}

MeterListWrites BuildMeterListWrites(std::uint8_t address, const MeterTable& table) {
    const auto n =
        static_cast<std::size_t>(std::clamp(table.count, 0, static_cast<int>(MeterTable::kMaxUsed)));
    MeterListWrites writes;
    if (n == 0)
        return writes;
    std::vector<protocol::SecondaryAddress> serials(n);
    std::vector<std::uint8_t> types(n);
    for (std::size_t k = 0; k < n; ++k) {
        serials[k] = protocol::SecondaryAddressFromText(table.entries[k].editedSerial);
        types[k] = LeadingTypeCode(table.entries[k].editedType);
    }
    const auto blocks = protocol::SplitSecondaryBlocks(n);
    writes.types = protocol::BuildMeterTypeWrite(address, types).frame;
    writes.block1 = protocol::BuildSecondaryAddressWrite(address, protocol::kRegSecondaryLow,
                                                         std::span(serials).first(blocks.low))
                        .frame;
    if (blocks.high > 0)
        writes.block2 = protocol::BuildSecondaryAddressWrite(
                            address, protocol::kRegSecondaryHigh,
                            std::span(serials).subspan(protocol::kMetersPerBlock, blocks.high))
                            .frame;
    return writes;
}

void ApplyMeterListRead(MeterTable& table, const MeterListRead& read) {
    const auto n =
        static_cast<std::size_t>(std::clamp(table.count, 0, static_cast<int>(MeterTable::kMaxUsed)));
    for (std::size_t k = 0; k < n; ++k) {
        MeterEntry& entry = table.entries[k];
        const bool low = k < protocol::kMetersPerBlock;
        const std::string serial = protocol::SecondaryAddressText(low ? read.block1 : read.block2,
                                                                  low ? k : k - protocol::kMetersPerBlock);
        // A block that was not read leaves its meters empty (unread), never with what an earlier
        // read, perhaps of another converter, left in the table.
        entry.readSerial = serial;
        entry.readType = protocol::MeterTypeText(read.types, k);
    }
}

void PendingCommand::set(SettingsCommand command, std::vector<std::uint8_t> frame) {
    m_list = {};
    m_command = command;
    m_single = std::move(frame);
}

void PendingCommand::setMeterList(MeterListWrites writes) {
    m_single.clear();
    m_list = std::move(writes);
    m_command = !m_list.types.empty()    ? SettingsCommand::Types
                : !m_list.block2.empty() ? SettingsCommand::Block2
                : !m_list.block1.empty() ? SettingsCommand::Block1
                                         : SettingsCommand::None;
}

std::optional<SettingsJob> PendingCommand::take() {
    SettingsJob job{m_command, {}, ExtraTimeoutMs(m_command)};
    switch (m_command) {
    case SettingsCommand::None:
        return std::nullopt;
    case SettingsCommand::Types:
        job.frame = std::move(m_list.types);
        m_command = !m_list.block2.empty()   ? SettingsCommand::Block2
                    : !m_list.block1.empty() ? SettingsCommand::Block1
                                             : SettingsCommand::None;
        return job;
    case SettingsCommand::Block2:
        job.frame = std::move(m_list.block2);
        m_command = !m_list.block1.empty() ? SettingsCommand::Block1 : SettingsCommand::None;
        return job;
    case SettingsCommand::Block1:
        job.frame = std::move(m_list.block1);
        m_command = SettingsCommand::None;
        return job;
    default:
        job.frame = std::move(m_single);
        m_single.clear();
        m_command = SettingsCommand::None;
        return job;
    }
}

std::uint32_t ExtraTimeoutMs(SettingsCommand command) noexcept {
    switch (command) {
    case SettingsCommand::TypeAndCount:
        return 100;
    case SettingsCommand::Types:
        return 1000;
    case SettingsCommand::Block1:
    case SettingsCommand::Block2:
        return 2000;
    default:
        return 0;
    }
}

std::string CommandReport(const Converter& converter, SettingsCommand command, bool ok,
                          std::string_view reason) {
    struct Texts {
        SettingsCommand command;
        const char* done;
        const char* failed;
    };
    static constexpr std::array<Texts, 7> kTexts{{
        {SettingsCommand::AcquisitionTime, "模块更改超时设置完成 !", "模块更改超时设置失败"},
        {SettingsCommand::AddressBaud, "模块更改地址和波特率设置完成 !", "模块更改地址和波特率设置失败"},
        {SettingsCommand::TypeAndCount, "模块类型设置完成 !", "模块类型设置失败"},
        {SettingsCommand::Parity, "模块校验设置完成 !", "模块校验设置失败"},
        {SettingsCommand::Types, "表设置类型完成 !", "表设置类型失败"},
        {SettingsCommand::Block2, "二级表序列号设置类型完成 !", "二级表序列号设置失败"},
        {SettingsCommand::Block1, "二级表序列号设置类型完成 !", "二级表序列号设置失败"},
    }};
    const auto it = std::find_if(kTexts.begin(), kTexts.end(),
                                 [command](const Texts& t) { return t.command == command; });
    if (it == kTexts.end())
        return converter.name;
    if (ok)
        return converter.name + it->done;
    std::string text = converter.name + it->failed;
    if (!reason.empty())
        text += "(" + std::string(reason) + ")";
    return text + " !";
}

Converter WithAddressAndRate(Converter converter, std::uint8_t address, std::size_t rateIndex) {
    const protocol::BaudCode rate = kBaudCodes[rateIndex < kRateCount ? rateIndex : kDefaultRateIndex];
    converter.address = address;
    converter.baud = rate.baud;
    converter.config.address = address;
    converter.config.baudCode = rate.code;
    if (converter.configText.size() == protocol::kConfigTextLength)
        converter.configText.replace(0, 4, protocol::FormatHexBytes(std::array{address, rate.code}));
    return converter;
}

} // namespace tev::link
