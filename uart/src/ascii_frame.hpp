// The ASCII command framing of I-7000 style modules: checksum characters and CR.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace uart::detail {

// Two upper-case hex digits of the byte sum of text modulo 256.
std::string AsciiChecksum(std::string_view text);

// The bytes on the wire for a command: text, checksum characters when asked, CR.
std::string EncodeCommand(std::string_view command, bool checksum);

// Length of a received ASCII reply that is complete: up to and including the CR, or
// UART_REPLY_MAX bytes without a CR (then it can only be too long). 0 while incomplete.
std::size_t AsciiReplyEnd(std::span<const std::uint8_t> received) noexcept;

struct AsciiReply {
    std::uint16_t status = 0; // UART_OK or an error status
    std::size_t length = 0;   // characters stored before the terminating zero
};

// Checks what a receive gathered and stores the reply text zero-terminated in out, which holds
// UART_REPLY_MAX bytes. On any error out holds an empty text.
AsciiReply DecodeReply(std::span<const std::uint8_t> received, bool checksum, char* out) noexcept;

} // namespace uart::detail
