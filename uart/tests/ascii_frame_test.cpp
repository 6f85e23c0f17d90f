#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ascii_frame.hpp"
#include <tev/uart.h>

using namespace uart::detail;

namespace {
std::vector<std::uint8_t> ToBytes(const std::string& s) {
    return {s.begin(), s.end()};
}
} // namespace

TEST(AsciiFrame, EncodeCommand) {
    EXPECT_EQ(EncodeCommand("$012", false), "$012\r");
    // '$'+'0'+'1'+'2' = 0x24+0x30+0x31+0x32 = 0xB7
    EXPECT_EQ(EncodeCommand("$012", true), "$012B7\r");
    EXPECT_EQ(EncodeCommand("", true), "00\r");
    EXPECT_EQ(AsciiChecksum("\xFF\xFF"), "FE");
}

TEST(AsciiFrame, DecodeReply) {
    struct Row {
        const char* name;
        std::string received;
        bool checksum;
        std::uint16_t status;
        std::string text;
    };
    const std::string longReply(UART_REPLY_MAX, 'A');
    const std::string longest(UART_REPLY_MAX - 1, 'B');
    const Row rows[] = {
        {"plain", "!01\r", false, UART_OK, "!01"},
        {"empty reply", "\r", false, UART_OK, ""},
        {"checksum kept", "!0182\r", true, UART_OK, "!0182"},
        {"checksum lower case", "!01400600ac\r", true, UART_OK, "!01400600ac"},
        {"checksum wrong", "!0183\r", true, UART_CHECKSUM_ERROR, ""},
        {"checksum missing", "!\r", true, UART_CHECKSUM_ERROR, ""},
        {"no CR yet", "!01", false, UART_TIMEOUT, ""},
        {"nothing", "", false, UART_TIMEOUT, ""},
        {"bytes after CR ignored", ">+05.123\rXYZ", false, UART_OK, ">+05.123"},
        {"longest that fits", longest + "\r", false, UART_OK, longest},
        {"too long with CR", longReply + "\r", false, UART_REPLY_TOO_LONG, ""},
        {"too long without CR", longReply, false, UART_REPLY_TOO_LONG, ""},
    };
    for (const Row& r : rows) {
        char out[UART_REPLY_MAX];
        std::fill(std::begin(out), std::end(out), 'x');
        const auto raw = ToBytes(r.received);
        const auto decoded = DecodeReply(raw, r.checksum, out);
        EXPECT_EQ(decoded.status, r.status) << r.name;
        EXPECT_EQ(std::string(out), r.text) << r.name;
        EXPECT_EQ(decoded.length, r.text.size()) << r.name;
    }
}

TEST(AsciiFrame, ReplyEndStopsAtCrOrBound) {
    EXPECT_EQ(AsciiReplyEnd(ToBytes("")), 0u);
    EXPECT_EQ(AsciiReplyEnd(ToBytes("!01")), 0u);
    EXPECT_EQ(AsciiReplyEnd(ToBytes("!01\r")), 4u);
    EXPECT_EQ(AsciiReplyEnd(ToBytes(std::string(UART_REPLY_MAX, 'A'))), std::size_t{UART_REPLY_MAX});
}
