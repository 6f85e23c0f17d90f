#include <gtest/gtest.h>

#include <cstdlib>

#include "tev/cli/port_option.hpp"

using tev::cli::ResolvePortOption;

TEST(PortOption, ComNumbersPathsAndGateways) {
    EXPECT_EQ(ResolvePortOption("COM3").port, 3);
    EXPECT_EQ(ResolvePortOption("com12").port, 12);
    EXPECT_EQ(ResolvePortOption("7").port, 7);
    for (const char* wrong : {"", "COM0", "COM256", "COM", "ttyUSB0", "tcp://nohostport", "rfc2217://:5"})
        EXPECT_FALSE(ResolvePortOption(wrong, 200)) << wrong;
    EXPECT_FALSE(ResolvePortOption("/dev/ttyUSB0", 0)) << "no spare number";

    ASSERT_EQ(ResolvePortOption("/dev/ttyUSB0", 250).port, 250);
    EXPECT_STREQ(std::getenv("TEV_COM250"), "/dev/ttyUSB0");
    ASSERT_EQ(ResolvePortOption("tcp://127.0.0.1:4001", 249).port, 249);
    EXPECT_STREQ(std::getenv("TEV_COM249"), "tcp://127.0.0.1:4001");
}
