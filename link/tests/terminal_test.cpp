// The command terminal without a line: frame completion, refused commands, reply text, history.
#include <gtest/gtest.h>

#include "tev/link/terminal.hpp"
#include "tev/protocol/hex_input.hpp"

using namespace tev::link;
using tev::protocol::MeterOrigin;

namespace {

std::vector<std::uint8_t> Bytes(std::string_view hex) {
    return tev::protocol::ParseHexCommand(hex);
}

TEST(TerminalFrame, CompletedFromTheChosenOffset) {
    struct Case {
        const char* command;
        int checksumIndex;
        const char* sent;
    };
    const Case cases[] = {
        {"68 03 03 68 53 FE 50", 2, "68 03 03 68 53 FE 50 A1 16"},
        {"10 5B FE", 1, "10 5B FE 59 16"},
        {"105BFE", 1, "10 5B FE 59 16"},
        {"105", 1, "10 05 05 16"},
        {"10 5B", 2, "10 5B 00 16"}, // checksum starts past the command
        {"01 02", 0, "01 02 03 16"},
        // Text that is not hex digit pairs sends nothing rather than bytes nobody typed.
        {"", 1, ""},
        {"   ", 1, ""},
        {"ZZ 5B 01", 1, ""},
        {"10 5B 0G", 1, ""},
        {"\xE4\xB8\xAD\xE6\x96\x87", 1, ""},
        {"10\t5B", 1, ""},
    };
    for (const Case& c : cases) {
        const TerminalFrame frame = BuildTerminalFrame(c.command, ChecksumStartOffset(c.checksumIndex));
        EXPECT_EQ(frame.bytes, Bytes(c.sent)) << c.command;
    }
}

TEST(TerminalFrame, MoreThan58BytesAreRefused) {
    const std::string bytes58(58 * 2, 'A');
    EXPECT_EQ(BuildTerminalFrame(bytes58, 1).bytes.size(), 60u);
    const TerminalFrame refused = BuildTerminalFrame(bytes58 + "0", 1);
    EXPECT_TRUE(refused.tooLong());
    EXPECT_EQ(refused.commandBytes, 59u);
    EXPECT_TRUE(refused.bytes.empty());
    EXPECT_NE(RefusedCommandText(refused).find("59"), std::string::npos);
}

TEST(TerminalReply, ShownAsFarAsTheFrameReachesWithinTheReceivedBytes) {
    struct Case {
        const char* received;
        MeterOrigin origin;
        const char* shown; // nullptr: no reply
    };
    const Case cases[] = {
        {"E5", MeterOrigin::Domestic, "E5 "},
        {"E5 E5", MeterOrigin::Imported, "E5 "},
        {"FE FE 68 03 03 68 08 01 72 7E 16", MeterOrigin::Imported, "FE FE 68 03 03 68 08 01 72 7E 16 "},
        {"68 03 03 68 08 01 72 7E 16 AA", MeterOrigin::Imported, "68 03 03 68 08 01 72 7E 16 "},
        {"68 FF 01", MeterOrigin::Imported, "68 FF 01 "},       // a length byte beyond what arrived
        {"68 10 01 02", MeterOrigin::Domestic, "68 10 01 02 "}, // the length byte never arrived
        {"7F 80", MeterOrigin::None, ""},
        {"00 E5", MeterOrigin::Imported, nullptr},
        {"", MeterOrigin::Imported, nullptr},
    };
    for (const Case& c : cases) {
        const auto text = TerminalReplyText(Bytes(c.received), c.origin);
        if (c.shown == nullptr)
            EXPECT_FALSE(text) << c.received;
        else
            EXPECT_EQ(text.value_or("(none)"), c.shown) << c.received;
    }
}

TEST(TerminalHistory, LinesAndRecalledCommands) {
    EXPECT_EQ(HistoryCommandLine("10 5B FE"), "--> 10 5B FE");
    EXPECT_EQ(HistoryReplyLine(TerminalRun{true, "E5 ", 42}), "    E5    42 ms");
    EXPECT_EQ(HistoryReplyLine(TerminalRun{true, std::nullopt, 1300}), "    No Respond!");

    const HistoryEntry entries[] = {{"2026-12-07 13:20:05.123", "--> 10 40 01"},
                                    {"2026-12-07 13:20:05.160", "    E5    25 ms"}};
    EXPECT_EQ(FormatHistoryFile(entries),
              "2026-12-07 13:20:05.123  --> 10 40 01\n2026-12-07 13:20:05.160      E5    25 ms\n");

    CommandRecall recall;
    for (const char* command : {"10 40 01", "10 5B 01", "", "10 40 01"})
        recall.remember(command);
    EXPECT_EQ(recall.commands(), (std::deque<std::string>{"10 40 01", "10 5B 01"}));
    for (std::size_t i = 0; i < kTerminalRecallMax + 5; ++i)
        recall.remember(std::to_string(i));
    EXPECT_EQ(recall.commands().size(), kTerminalRecallMax);
    EXPECT_EQ(recall.commands().front(), std::to_string(kTerminalRecallMax + 4));
}

} // namespace
