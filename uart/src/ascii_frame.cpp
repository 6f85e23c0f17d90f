#include "ascii_frame.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>

#include <tev/uart.h>

namespace uart::detail {

std::string AsciiChecksum(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    unsigned sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return {kHex[(sum >> 4) & 0xFu], kHex[sum & 0xFu]};
}

std::string EncodeCommand(std::string_view command, bool checksum) {
    std::string wire(command);
    if (checksum)
        wire += AsciiChecksum(command);
    wire += '\r';
    return wire;
}

std::size_t AsciiReplyEnd(std::span<const std::uint8_t> received) noexcept {
    const auto window = received.first(std::min<std::size_t>(received.size(), UART_REPLY_MAX));
    const auto cr = std::find(window.begin(), window.end(), std::uint8_t{'\r'});
    if (cr != window.end())
        return static_cast<std::size_t>(cr - window.begin()) + 1;
    return window.size() >= UART_REPLY_MAX ? UART_REPLY_MAX : 0;
}

AsciiReply DecodeReply(std::span<const std::uint8_t> received, bool checksum, char* out) noexcept {
    out[0] = '\0';
    const auto cr = std::find(received.begin(), received.end(), std::uint8_t{'\r'});
    const auto length = static_cast<std::size_t>(cr - received.begin());
    if (length >= UART_REPLY_MAX)
        return {UART_REPLY_TOO_LONG, 0};
    if (cr == received.end())
        return {UART_TIMEOUT, 0};
    const std::string_view text(reinterpret_cast<const char*>(received.data()), length);
    if (checksum) {
        if (length < 2)
            return {UART_CHECKSUM_ERROR, 0};
        const std::string expected = AsciiChecksum(text.substr(0, length - 2));
        const char hi = static_cast<char>(std::toupper(static_cast<unsigned char>(text[length - 2])));
        const char lo = static_cast<char>(std::toupper(static_cast<unsigned char>(text[length - 1])));
        if (expected[0] != hi || expected[1] != lo)
            return {UART_CHECKSUM_ERROR, 0};
    }
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
    return {UART_OK, length};
}

} // namespace uart::detail
