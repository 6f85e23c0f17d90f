#include "tev/link/meter_address.hpp"
#include "tev/link/trim.hpp"

#include <algorithm>

#include "tev/link/limited_text.hpp"
#include "tev/link/line.hpp"
#include "tev/protocol/hex_input.hpp"
#include "tev/protocol/mbus_frame.hpp"
#include "tev/protocol/mbus_frame_rule.hpp"
#include "tev/protocol/timeout.hpp"

namespace tev::link {
namespace {

constexpr std::uint16_t kReceiveMax = 255;
constexpr std::uint16_t kMinTimeoutMs = 100;

// Characters as the user sees them: UTF-8 continuation bytes are not counted.
std::size_t CharacterCount(std::string_view text) noexcept {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The first four two-character groups of the text; missing groups are 0.
std::array<std::uint8_t, 4> FourBytes(std::string_view text) {
    const auto groups = protocol::ParseHexGroups(text.substr(0, 8));
    std::array<std::uint8_t, 4> bytes{};
    std::copy_n(groups.begin(), std::min(groups.size(), bytes.size()), bytes.begin());
    return bytes;
}

std::uint8_t FirstByte(std::string_view text) {
    return text.empty() ? 0 : protocol::HexGroupValue(text.substr(0, 2));
}

// Sends one frame and returns the first byte of the answer: 0 for none.
std::uint8_t Send(Line& client, std::span<const std::uint8_t> frame, std::uint16_t timeoutMs,
                  bool& cancelled) {
    const ExchangeResult result = client.exchange(frame, timeoutMs, kReceiveMax, protocol::MbusReplyRule);
    cancelled = result.error == ExchangeError::Cancelled;
    return result.reply.empty() ? 0 : result.reply.front();
}

bool Stopped(const std::atomic<bool>* stop) noexcept {
    return stop != nullptr && stop->load();
}

} // namespace

const char* FieldErrorText(FieldError error) noexcept {
    switch (error) {
    case FieldError::None:
        return "";
    case FieldError::ManufacturerLength:
        return "厂家 + 版本号 长度不对!";
    case FieldError::IdentificationLength:
        return "序列号长度不对!";
    case FieldError::AddressLength:
        return "地址长度不对!";
    }
    return "";
}

FieldCheck CheckManualFields(std::string_view manufacturer, std::string_view identification,
                             std::string_view address) {
    FieldCheck check;
    manufacturer = Trim(manufacturer);
    identification = Trim(identification);
    address = Trim(address);
    if (CharacterCount(manufacturer) != 8)
        check.error = FieldError::ManufacturerLength;
    else if (CharacterCount(identification) != 8)
        check.error = FieldError::IdentificationLength;
    else if (CharacterCount(address) != 2)
        check.error = FieldError::AddressLength;
    if (check.error != FieldError::None)
        return check;
    check.request = {FourBytes(identification), FourBytes(manufacturer), FirstByte(address)};
    return check;
}

FieldCheck CheckImportLine(std::string_view manufacturer, std::string_view line) {
    FieldCheck check;
    manufacturer = Trim(manufacturer);
    if (CharacterCount(manufacturer) != 8) {
        check.error = FieldError::ManufacturerLength;
        return check;
    }
    const auto comma = line.find(',');
    const std::string_view identification = line.substr(0, comma);
    std::string_view address;
    if (comma != std::string_view::npos) {
        const auto second = line.find(',', comma + 1);
        if (second != std::string_view::npos)
            address = line.substr(comma + 1, second - comma - 1);
    }
    check.request = {FourBytes(identification), FourBytes(manufacturer), FirstByte(address)};
    return check;
}

std::uint16_t AddressReceiveTimeoutMs(std::uint32_t baud) noexcept {
    const std::uint32_t base = protocol::BaseTimeoutMs(baud);
    return static_cast<std::uint16_t>(std::clamp<std::uint32_t>(base, kMinTimeoutMs, 0xFFFF));
}

AddressStep SetMeterAddress(Line& client, const AddressRequest& request, std::uint16_t timeoutMs,
                            const std::atomic<bool>* stop) {
    bool cancelled = false;
    if (Stopped(stop))
        return AddressStep::Cancelled;
    const auto select = protocol::BuildSelectFrame(request.identification, request.manufacturer);
    const std::uint8_t selectAnswer = Send(client, select, timeoutMs, cancelled);
    if (cancelled || Stopped(stop))
        return AddressStep::Cancelled;
    if (selectAnswer != protocol::kMbusAck)
        return AddressStep::NoSelectAck;
    const auto write = protocol::BuildSetAddressFrame(request.address);
    const std::uint8_t writeAnswer = Send(client, write, timeoutMs, cancelled);
    if (cancelled || Stopped(stop))
        return AddressStep::Cancelled;
    if (writeAnswer != protocol::kMbusAck)
        return AddressStep::NoAddressAck;
    const auto deselect = protocol::BuildDeselectFrame();
    const std::uint8_t deselectAnswer = Send(client, deselect, timeoutMs, cancelled);
    if (cancelled)
        return AddressStep::Cancelled;
    return deselectAnswer == 0 || deselectAnswer == protocol::kMbusAck ? AddressStep::Done
                                                                       : AddressStep::OddDeselect;
}

AddressAttempt AttemptMeterAddress(Line& client, const SerialSettings& settings,
                                   const AddressRequest& request, const std::atomic<bool>* stop) {
    AddressAttempt attempt;
    attempt.opened = client.open(settings) == UART_OK;
    if (!attempt.opened)
        attempt.openFailure = client.openFailure();
    attempt.step = SetMeterAddress(client, request, AddressReceiveTimeoutMs(settings.baud), stop);
    client.close();
    return attempt;
}

AddressBatch::ReadResult AddressBatch::addFileText(std::string_view text) {
    ReadResult result;
    const LimitedText limited = LimitText(text, kMaxImportFileBytes);
    text = limited.text;
    result.truncated = limited.cut;
    if (text.starts_with("\xEF\xBB\xBF")) // a UTF-8 byte order mark is no part of the first line
        text.remove_prefix(3);
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (raw.starts_with(';'))
            continue;
        const std::string_view line = Trim(raw);
        if (line.empty())
            continue;
        if (m_lines.size() >= kMaxImportLines) {
            result.truncated = true;
            break;
        }
        m_lines.emplace_back(line);
        ++result.taken;
    }
    return result;
}

std::optional<AddressBatch::Line> AddressBatch::take() {
    if (m_next >= m_lines.size())
        return std::nullopt;
    ++m_next;
    return Line{m_next, m_lines[m_next - 1]};
}

std::string AddressBatch::statusText(std::size_t number, bool succeeded) {
    const std::string n = std::to_string(number);
    return succeeded ? "完成" + n + "地址设置" : n + "地址设置失败";
}

} // namespace tev::link
