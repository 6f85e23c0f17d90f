// Feeds arbitrary line bytes to the ASCII reply framing and checks its bounds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "ascii_frame.hpp"
#include <tev/uart.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool checksum = data[0] & 1u;
    const std::span<const std::uint8_t> received(data + 1, size - 1);
    const std::size_t end = uart::detail::AsciiReplyEnd(received);
    if (end > received.size() || end > UART_REPLY_MAX)
        std::abort();
    char out[UART_REPLY_MAX];
    const auto reply = uart::detail::DecodeReply(received.first(end), checksum, out);
    if (reply.length >= UART_REPLY_MAX || std::strlen(out) > reply.length)
        std::abort();
    if (reply.status != UART_OK && out[0] != '\0')
        std::abort();
    return 0;
}
