// Fault keys of the set-up file and the tev-sim command line, down to a running line.
#include "tev/sim/command_line.hpp"

#include "test_port.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>

namespace tev::sim {
namespace {

TEST(SetupFaults, KeysGiveCountersOrAClearError) {
    struct Case {
        const char* keys;
        LineFaults faults; // drop, corrupt, garbage, truncate, late, lateMs
        bool ok = true;
    };
    const Case cases[] = {
        {"", {}},
        {"drop = next:2\ncorrupt = every:5\n", {2, -5, 0, 0, 0, kDefaultLateReplyMs}},
        {"garbage = every:1\ntruncate = next:1000000\n", {0, 0, -1, 1000000, 0, kDefaultLateReplyMs}},
        {"late = every:3\nlate-ms = 150\n", {0, 0, 0, 0, -3, 150}},
        {"drop = next:3\ndrop = off\nlate-ms = 0\n", {0, 0, 0, 0, 0, 0}},
        {"drop = 3\n", {}, false},
        {"drop = next:0\n", {}, false},
        {"drop = every:-2\n", {}, false},
        {"corrupt = every:1000001\n", {}, false},
        {"late = next:2x\n", {}, false},
        {"late = every:\n", {}, false},
        {"garbage = sometimes\n", {}, false},
        {"late-ms = 60001\n", {}, false},
        {"late-ms = -1\n", {}, false},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseSetup(std::string("[line]\n") + c.keys);
        ASSERT_EQ(static_cast<bool>(parsed), c.ok) << c.keys << parsed.error;
        if (c.ok)
            EXPECT_EQ(parsed.setup->lines[0].faults, c.faults) << c.keys;
        else
            EXPECT_EQ(parsed.errorLine, 2) << c.keys;
    }
}

TEST(SimCommandLine, ParsesActionsOptionsAndUsageErrors) {
    using Action = SimCommandLine::Action;
    struct Case {
        std::vector<std::string_view> args;
        Action action;
        bool ok;
        std::size_t lineKeys = 0;
    };
    const Case cases[] = {
        {{}, Action::Serve, true},
        {{"--help"}, Action::Help, true},
        {{"--drop", "x", "-h"}, Action::Help, true, 1},
        {{"--print-default"}, Action::PrintDefault, true},
        {{"--version"}, Action::Version, true},
        {{"--link", "/tmp/sim-line"}, Action::Serve, true},
        {{"--link"}, Action::Serve, false},
        {{"my.setup", "--drop", "every:3", "--late=next:1", "--late-ms", "150"}, Action::Serve, true, 3},
        {{"--device", "/dev/ttyUSB0", "--only", "meters", "--parity=even"}, Action::Serve, true},
        {{"--drop"}, Action::Serve, false},
        {{"--bogus", "1"}, Action::Serve, false},
        {{"-x"}, Action::Serve, false},
        {{"a.setup", "b.setup"}, Action::Serve, false},
        {{"--baud", "9600"}, Action::Serve, false},
    };
    for (const auto& c : cases) {
        const auto command = ParseSimCommandLine(c.args);
        const auto what = c.args.empty() ? std::string("(none)") : std::string(c.args[0]);
        EXPECT_EQ(command.error.empty(), c.ok) << what << ": " << command.error;
        if (c.ok) {
            EXPECT_EQ(command.action, c.action) << what;
            EXPECT_EQ(command.lineKeys.size(), c.lineKeys) << what;
        }
    }
    const std::string_view bad[] = {"--corrupt", "every:0"};
    EXPECT_EQ(BuildSimSetup(ParseSimCommandLine(bad)).errorLine, 0) << "a bad value fails the set-up";
}

TEST(SimCommandLine, OptionsReachEveryLineOverTheFileAndDelayTheReply) {
    const std::string path = ::testing::TempDir() + "tev_sim_faults.setup";
    std::ofstream(path) << "[line]\nmeasuring = address=01 baud=9600\nlate = every:7\n"
                           "[line]\nmodules = off\ndrop = every:2\n";
    const std::string_view args[] = {path, "--late", "next:1", "--late-ms=400", "--pacing", "off"};
    const auto parsed = BuildSimSetup(ParseSimCommandLine(args));
    std::remove(path.c_str());
    ASSERT_TRUE(parsed) << parsed.error;
    for (const auto& line : parsed.setup->lines)
        EXPECT_EQ(line.faults.late, 1) << "the command line wins over the file";
    EXPECT_EQ(parsed.setup->lines[1].faults.drop, -2) << "other keys of the file stay";

    const auto setup = StartSetup(*parsed.setup);
    auto& options = setup.lines[0].line->options();
    EXPECT_EQ(options.lateReplyMs, 400);
    EXPECT_FALSE(options.pacing);
    test::TestPort port(setup.lines[0].line->path(), B9600);
    ASSERT_TRUE(port.ok());
    for (const bool late : {true, false}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(port.exchange(test::BytesOf("$016\r"), 3000, 300, 22).size(), 22u);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (late)
            EXPECT_GE(elapsed, std::chrono::milliseconds(400));
        else
            EXPECT_LT(elapsed, std::chrono::milliseconds(400));
    }
}

} // namespace
} // namespace tev::sim
