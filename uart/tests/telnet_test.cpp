// The Telnet reader of RFC 2217 lines, and the names of network ports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "port_map.hpp"
#include "telnet.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace telnet = uart::detail::telnet;

struct ReadCase {
    const char* name;
    Bytes in;
    Bytes data;
    std::size_t negotiations;
};

const ReadCase kReads[] = {
    {"plain data", {1, 2, 3}, {1, 2, 3}, 0},
    {"doubled 0xFF is one data byte", {0xFF, 0xFF, 0x10, 0xFF, 0xFF}, {0xFF, 0x10, 0xFF}, 0},
    {"negotiations taken out", {1, 0xFF, 0xFB, 0x2C, 2, 0xFF, 0xFD, 0x00, 3}, {1, 2, 3}, 2},
    {"two-byte commands taken out", {0xFF, 0xF1, 7, 0xFF, 0xF9, 8}, {7, 8}, 0},
    {"subnegotiation with 0xFF in its value",
     {9, 0xFF, 0xFA, 0x2C, 0x65, 0, 0, 0xFF, 0xFF, 0x00, 0xFF, 0xF0, 10},
     {9, 10},
     0},
    {"a broken subnegotiation ends at IAC SE only", {0xFF, 0xFA, 0x2C, 0xFF, 0x01, 5, 0xFF, 0xF0, 6}, {6}, 0},
};

TEST(TelnetReader, TakesCommandsOutOfTheDataWhereverTheReadsSplitThem) {
    for (const ReadCase& c : kReads) {
        // Whole, and byte by byte: a command split across reads is completed by the next one.
        for (const bool split : {false, true}) {
            telnet::Reader reader;
            Bytes out(c.in.size());
            std::size_t n = 0;
            if (split)
                for (std::size_t i = 0; i < c.in.size(); ++i)
                    n += reader.decode(&c.in[i], 1, out.data() + n);
            else
                n = reader.decode(c.in.data(), c.in.size(), out.data());
            out.resize(n);
            EXPECT_EQ(out, c.data) << c.name << (split ? " (split)" : "");
            EXPECT_EQ(reader.negotiationCount(), c.negotiations) << c.name;
        }
    }
}

TEST(TelnetReader, NotesTheGatewaysRepliesToPortSettings) {
    // What a gateway answers to PortSettings(0x0001FF00 ...) and a refusal of the option.
    const std::string sent = telnet::PortSettings(0x0001FF00, 1, 2);
    Bytes reply(sent.begin(), sent.end());
    for (std::size_t i = 0; i + 3 < reply.size(); ++i)
        if (reply[i] == 0xFF && reply[i + 1] == 0xFA)
            reply[i + 3] += telnet::kServerOffset;
    telnet::Reader reader;
    Bytes out(reply.size());
    EXPECT_EQ(reader.decode(reply.data(), reply.size(), out.data()), 0u);
    EXPECT_EQ(reader.comPortReplies(), 0x1Eu);
    EXPECT_EQ(reader.replyBaud(), 0x0001FF00u);
    EXPECT_FALSE(reader.comPortRefused());
    const Bytes wont = {0xFF, 0xFC, 0x2C};
    reader.decode(wont.data(), wont.size(), out.data());
    EXPECT_TRUE(reader.comPortRefused());
    // Parity even is RFC 2217's 3, two stop bits its 2; the rate's 0xFF byte goes doubled.
    EXPECT_NE(sent.find(std::string("\xFF\xFA\x2C\x03\x03\xFF\xF0", 7)), std::string::npos);
    EXPECT_NE(sent.find(std::string("\xFF\xFA\x2C\x04\x02\xFF\xF0", 7)), std::string::npos);
    EXPECT_NE(sent.find(std::string("\x00\x01\xFF\xFF\x00", 5)), std::string::npos);
}

TEST(NetworkPortName, TellsGatewaysFromDevicesAndRefusesBrokenAddresses) {
    using uart::detail::LineKind;
    const struct {
        const char* name;
        LineKind kind;
        const char* host;
        std::uint16_t port;
        bool ok;
    } cases[] = {
        {"/dev/ttyUSB0", LineKind::Device, "", 0, true},
        {"tcp://10.0.0.5:4001", LineKind::Tcp, "10.0.0.5", 4001, true},
        {"RFC2217://gw-3.local:2000/", LineKind::Rfc2217, "gw-3.local", 2000, true},
        {"tcp://[::1]:7000", LineKind::Tcp, "::1", 7000, true},
        {"tcp://::1:7000", LineKind::Tcp, "", 0, false},
        {"tcp://host", LineKind::Tcp, "", 0, false},
        {"tcp://host:0", LineKind::Tcp, "", 0, false},
        {"tcp://host:65536", LineKind::Tcp, "", 0, false},
        {"tcp://:4001", LineKind::Tcp, "", 0, false},
        {"tcp://a b:4001", LineKind::Tcp, "", 0, false},
        {"rfc2217://[::1:4001", LineKind::Rfc2217, "", 0, false},
    };
    for (const auto& c : cases) {
        const auto parsed = uart::detail::ParseLineName(c.name);
        EXPECT_EQ(parsed.kind, c.kind) << c.name;
        EXPECT_EQ(parsed.error.empty(), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(parsed.host, c.host) << c.name;
            EXPECT_EQ(parsed.port, c.port) << c.name;
        }
    }
}

} // namespace
