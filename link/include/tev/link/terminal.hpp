// The command terminal: a typed hexadecimal frame completed with its checksum and 0x16, sent on a
// port of its own, and the reply shown as far as its frame header reaches, with its time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tev/link/serial_settings.hpp"
#include "tev/protocol/mbus_frame_rule.hpp"

namespace tev::link {

class Line;

// The send buffer holds 60 bytes: the command, its checksum and 0x16.
inline constexpr std::size_t kTerminalMaxCommandBytes = 58;
// The receive keeps at most this many bytes.
inline constexpr std::uint16_t kTerminalReceiveMax = 255;
// Added to the base timeout (19200 / baud) x 150 ms: 1300 ms at 2400 bit/s, 100 ms at 38400.
inline constexpr std::uint32_t kTerminalExtraMs = 100;
// Commands the command field remembers.
inline constexpr std::size_t kTerminalRecallMax = 50;

// Offset of the first byte under the checksum for the entries of "校验": "第1字节起" (0),
// "第2字节起" (1), "第5字节位" (4). Any other index gives 1.
std::size_t ChecksumStartOffset(int index) noexcept;

struct TerminalFrame {
    std::vector<std::uint8_t> bytes; // command, checksum, 0x16; empty when refused
    std::size_t commandBytes = 0;    // bytes of the typed command
    bool notHex = false;             // empty, or a character other than hex digits and spaces
    bool tooLong() const noexcept { return commandBytes > kTerminalMaxCommandBytes; }
    bool refused() const noexcept { return bytes.empty(); }
};

// Spaces removed, two-character groups read as hex (a last single digit is a byte of its own),
// completed from `checksumStart`. Refused, with bytes left empty: a text without hex digits or with
// any other character than hex digits and spaces (nothing the user did not type is sent), and a
// command of more than kTerminalMaxCommandBytes bytes.
TerminalFrame BuildTerminalFrame(std::string_view commandText, std::size_t checksumStart);

// The response field's text for a refused command.
std::string RefusedCommandText(const TerminalFrame& frame);

// The reply text: each shown byte as "%02X " (TerminalReplyLength of the origin); nullopt when no
// reply arrived (nothing, or a first byte 0).
std::optional<std::string> TerminalReplyText(std::span<const std::uint8_t> received,
                                             protocol::MeterOrigin origin);

struct TerminalRun {
    bool opened = false;
    std::optional<std::string> reply; // nullopt: "No Respond!"
    long elapsedMs = 0;               // from the start of the send to the end of the reply
};

// One run on a fresh client: open (even parity), send the frame, receive until the reply's frame is
// complete or the timeout passes, close.
TerminalRun RunTerminalExchange(Line& client, const SerialSettings& settings,
                                std::span<const std::uint8_t> frame, protocol::MeterOrigin origin);

// History lines: "--> " + command; four spaces, reply, three spaces, "N ms"; four spaces, "No Respond!".
std::string HistoryCommandLine(std::string_view command);
std::string HistoryReplyLine(const TerminalRun& run);

// The history as a text file: each line "<stamp>  <text>", in the order given.
struct HistoryEntry {
    std::string stamp; // e.g. "2026-12-07 13:20:05.123"
    std::string text;
};
std::string FormatHistoryFile(std::span<const HistoryEntry> entries);

// Commands sent since the program started, newest first, each once, at most kTerminalRecallMax.
class CommandRecall {
  public:
    void remember(std::string_view command);
    const std::deque<std::string>& commands() const noexcept { return m_commands; }

  private:
    std::deque<std::string> m_commands;
};

} // namespace tev::link
