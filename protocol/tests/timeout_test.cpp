#include <gtest/gtest.h>

#include "tev/protocol/timeout.hpp"

using namespace tev::protocol;

TEST(Timeout, BaseTimeoutPerRate) {
    struct Row {
        std::uint32_t baud;
        std::uint32_t ms;
    };
    const Row rows[] = {
        {300, 9600},  {1200, 2400}, {2400, 1200}, {4800, 600}, {9600, 300},
        {19200, 150}, {38400, 0},   {57600, 0},   {115200, 0}, {14400, 150}, // integer division first
        {0, 300},                                                            // fallback rate
    };
    for (const Row& r : rows)
        EXPECT_EQ(BaseTimeoutMs(r.baud), r.ms) << r.baud;
}

TEST(Timeout, BaudTextAndFallback) {
    struct Row {
        const char* text;
        std::uint32_t ms;
    };
    const Row rows[] = {
        {"2400", 1200}, {"115200", 0},  {"0", 300},           {"", 300}, {"abc", 300}, {"96OO", 300},
        {"-9600", 300}, {" 9600", 300}, {"99999999999", 300},
    };
    for (const Row& r : rows)
        EXPECT_EQ(BaseTimeoutMsFromText(r.text), r.ms) << '"' << r.text << '"';
    EXPECT_EQ(ParseBaudText("19200"), 19200u);
    EXPECT_FALSE(ParseBaudText("19200 "));
}

TEST(Timeout, ExtraTimeIsAddedAndClampedTo16Bits) {
    EXPECT_EQ(ReceiveTimeoutMs(9600, 0), 300);
    EXPECT_EQ(ReceiveTimeoutMs(9600, 2000), 2300);
    EXPECT_EQ(ReceiveTimeoutMs(115200, 300), 300);
    EXPECT_EQ(ReceiveTimeoutMs(1, 0), 65535);
    EXPECT_EQ(ReceiveTimeoutMs(300, 0xFFFFFFFFu), 65535);
    EXPECT_EQ(ReceiveTimeoutMsFromText("2400", 100), 1300);
    EXPECT_EQ(ReceiveTimeoutMsFromText("x", 100), 400);
}

TEST(Timeout, ReceiveTimeoutsOfTheExchanges) {
    // The terminal waits T + 100 ms at each rate of its list; the converter requests add their
    // own extra time to T.
    struct Row {
        const char* baud;
        std::uint32_t extra;
        std::uint16_t ms;
    };
    const Row rows[] = {
        {"300", 100, 9700}, {"600", 100, 4900},   {"1200", 100, 2500},    {"2400", 100, 1300},
        {"4800", 100, 700}, {"9600", 100, 400},   {"19200", 100, 250},    {"38400", 100, 100},
        {"9600", 300, 600}, {"2400", 2000, 3200}, {"115200", 1000, 1000}, {"", 100, 400},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ReceiveTimeoutMsFromText(r.baud, r.extra), r.ms) << r.baud << " + " << r.extra;
}
