#include "tev/link/terminal.hpp"

#include <algorithm>
#include <cmath>

#include "tev/link/line.hpp"
#include "tev/protocol/hex_input.hpp"
#include "tev/protocol/mbus_frame.hpp"
#include "tev/protocol/timeout.hpp"

namespace tev::link {

std::size_t ChecksumStartOffset(int index) noexcept {
    switch (index) {
    case 0:
        return protocol::kChecksumFromStart;
    case 2:
        return protocol::kChecksumLongFrame;
    default:
        return protocol::kChecksumShortFrame;
    }
}

TerminalFrame BuildTerminalFrame(std::string_view commandText, std::size_t checksumStart) {
    TerminalFrame frame;
    const auto isHex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    };
    frame.notHex =
        std::none_of(commandText.begin(), commandText.end(), isHex) ||
        !std::all_of(commandText.begin(), commandText.end(), [&](char c) { return c == ' ' || isHex(c); });
    if (frame.notHex)
        return frame;
    const std::vector<std::uint8_t> command = protocol::ParseHexCommand(commandText);
    frame.commandBytes = command.size();
    if (!frame.tooLong())
        frame.bytes = protocol::CompleteTypedFrame(command, checksumStart);
    return frame;
}

std::string RefusedCommandText(const TerminalFrame& frame) {
    if (frame.notHex)
        return "命令格式不对: 只能输入16进制数字(两位一个字节)和空格, 未发送!";
    return "命令过长: " + std::to_string(frame.commandBytes) + " 字节, 最多 " +
           std::to_string(kTerminalMaxCommandBytes) + " 字节, 未发送!";
}

std::optional<std::string> TerminalReplyText(std::span<const std::uint8_t> received,
                                             protocol::MeterOrigin origin) {
    if (received.empty() || received.front() == 0)
        return std::nullopt;
    const std::size_t count = protocol::TerminalReplyLength(received, origin);
    return protocol::FormatHexBytes(received.first(std::min(count, received.size())), " ");
}

TerminalRun RunTerminalExchange(Line& client, const SerialSettings& settings,
                                std::span<const std::uint8_t> frame, protocol::MeterOrigin origin) {
    TerminalRun run;
    client.close();
    run.opened = client.open(settings) == UART_OK;
    if (!run.opened)
        return run;
    const std::uint16_t timeoutMs = protocol::ReceiveTimeoutMs(settings.baud, kTerminalExtraMs);
    const ExchangeResult result =
        client.exchange(frame, timeoutMs, kTerminalReceiveMax, protocol::MbusReplyRule);
    run.elapsedMs = std::lround(result.elapsedMs);
    run.reply = TerminalReplyText(result.reply, origin);
    client.close();
    return run;
}

std::string HistoryCommandLine(std::string_view command) {
    return "--> " + std::string(command);
}

std::string HistoryReplyLine(const TerminalRun& run) {
    if (!run.reply)
        return "    No Respond!";
    return "    " + *run.reply + "   " + std::to_string(run.elapsedMs) + " ms";
}

std::string FormatHistoryFile(std::span<const HistoryEntry> entries) {
    std::string text;
    for (const HistoryEntry& entry : entries)
        text += entry.stamp + "  " + entry.text + "\n";
    return text;
}

void CommandRecall::remember(std::string_view command) {
    if (command.empty())
        return;
    const auto same = std::find(m_commands.begin(), m_commands.end(), command);
    if (same != m_commands.end())
        m_commands.erase(same);
    m_commands.emplace_front(command);
    if (m_commands.size() > kTerminalRecallMax)
        m_commands.pop_back();
}

} // namespace tev::link
