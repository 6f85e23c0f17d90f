#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "port_map.hpp"
#include "uart.hpp"

using namespace uart::detail;

TEST(PortMap, PortsFileText) {
    const std::string text = "# serial adapters\n"
                             "COM1=/dev/ttyUSB0\n"
                             "  com12 = /dev/ttyACM1  \r\n"
                             "; COM3=/dev/commented\n"
                             "COM3\n"
                             "COM13=/dev/ttyS9";
    EXPECT_EQ(lookUpPortsText(text, 1), "/dev/ttyUSB0");
    EXPECT_EQ(lookUpPortsText(text, 12), "/dev/ttyACM1");
    EXPECT_EQ(lookUpPortsText(text, 13), "/dev/ttyS9");
    EXPECT_EQ(lookUpPortsText(text, 3), "");
    EXPECT_EQ(lookUpPortsText(text, 2), "");
}

TEST(PortMap, EnvironmentThenFileThenDefault) {
    const std::string file = ::testing::TempDir() + "tev_ports_test";
    std::ofstream(file) << "COM5=/dev/from-file\nCOM6=/dev/file6\n";
    setenv("TEV_PORTS_FILE", file.c_str(), 1);
    setenv("TEV_COM5", "/dev/from-env", 1);
    unsetenv("TEV_COM6");
    unsetenv("TEV_COM7");
    EXPECT_EQ(devicePath(5), "/dev/from-env");
    EXPECT_EQ(devicePath(6), "/dev/file6");
    EXPECT_EQ(devicePath(7), "/dev/ttyS6");
    EXPECT_EQ(uart::portDevice(6), "/dev/file6"); // the exported call agrees
    unsetenv("TEV_COM5");
    unsetenv("TEV_PORTS_FILE");
    std::remove(file.c_str());
}
