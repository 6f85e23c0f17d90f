// Bytes damaged on the line (parity or framing error) fail the receive instead of reading as 0x00.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "line_marks.hpp"
#include "pty_pair.hpp"
#include <tev/uart.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST(LineMarks, MarkedBytesAreDamagedAndDoubledMarksAreOneByte) {
    struct Case {
        const char* name;
        Bytes marked; // as the kernel hands them over
        Bytes plain;
        bool damaged;
    };
    const std::string ascii(">+0\xFF\x00\x31"
                            "1.015\r",
                            12);
    const Case cases[] = {
        {"ASCII reply with a damaged digit", Bytes(ascii.begin(), ascii.end()),
         ToBytes(std::string(">+0\0"
                             "1.015\r",
                             10)),
         true},
        {"Modbus reply with 0xFF data",
         {0x01, 0x03, 0x02, 0xFF, 0xFF, 0x00, 0x79, 0x84},
         {0x01, 0x03, 0x02, 0xFF, 0x00, 0x79, 0x84},
         false},
        {"Modbus reply with a damaged byte",
         {0x01, 0x03, 0x02, 0xFF, 0x00, 0x12, 0x34, 0xB5, 0x33},
         {0x01, 0x03, 0x02, 0x00, 0x34, 0xB5, 0x33},
         true},
        {"a lone 0xFF is taken as it came", {0x41, 0xFF, 0x42}, {0x41, 0xFF, 0x42}, false},
    };
    for (const Case& c : cases) {
        // Whole, and cut after every byte: a mark split between two reads is still one mark.
        for (std::size_t cut = 0; cut <= c.marked.size(); ++cut) {
            uart::detail::Unmarker unmark;
            Bytes out(c.marked.size());
            std::size_t n = unmark.decode(c.marked.data(), cut, out.data());
            n += unmark.decode(c.marked.data() + cut, c.marked.size() - cut, out.data() + n);
            out.resize(n);
            EXPECT_EQ(out, c.plain) << c.name << ", cut at " << cut;
            EXPECT_EQ(unmark.damaged(), c.damaged) << c.name << ", cut at " << cut;
        }
    }
}

TEST(LineMarks, BytesOf0xFFComeThroughAPort) {
    // The kernel doubles a received 0xFF once marks are on; the receive hands back one.
    constexpr std::uint8_t kPort = 77;
    PtyPair pty(kPort);
    ASSERT_EQ(OpenLink(kPort, 9600, 8, UART_PARITY_NONE, 0), UART_OK);
    const Bytes frame = {0x01, 0xFF, 0xFF, 0x00, 0xFF};
    pty.write(frame);
    std::uint8_t buf[16] = {};
    std::uint16_t count = 0;
    EXPECT_EQ(ReceiveBytes(kPort, buf, 500, sizeof buf, &count), UART_OK);
    EXPECT_EQ(Bytes(buf, buf + count), frame);
    CloseLink(kPort);
}

} // namespace
