#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "port_map.hpp"
#include <tev/uart.hpp>

using namespace uart::detail;

TEST(PortMap, PortsFileText) {
    const std::string text = "# serial adapters\n"
                             "COM1=/dev/ttyUSB0\n"
                             "  com12 = /dev/ttyACM1  \r\n"
                             "; COM3=/dev/commented\n"
                             "COM3\n"
                             "COM13=/dev/ttyS9";
    EXPECT_EQ(LookUpPortsText(text, 1), "/dev/ttyUSB0");
    EXPECT_EQ(LookUpPortsText(text, 12), "/dev/ttyACM1");
    EXPECT_EQ(LookUpPortsText(text, 13), "/dev/ttyS9");
    EXPECT_EQ(LookUpPortsText(text, 3), "");
    EXPECT_EQ(LookUpPortsText(text, 2), "");
}

TEST(PortMap, EnvironmentThenFileThenDefault) {
    const std::string file = ::testing::TempDir() + "tev_ports_test";
    std::ofstream(file) << "COM5=/dev/from-file\nCOM6=/dev/file6\n";
    setenv("TEV_PORTS_FILE", file.c_str(), 1);
    setenv("TEV_COM5", "/dev/from-env", 1);
    unsetenv("TEV_COM6");
    unsetenv("TEV_COM7");
    EXPECT_EQ(DevicePath(5), "/dev/from-env");
    EXPECT_EQ(DevicePath(6), "/dev/file6");
    EXPECT_EQ(DevicePath(7), "/dev/ttyS6");
    EXPECT_EQ(uart::PortDevice(6), "/dev/file6"); // the exported call agrees
    unsetenv("TEV_COM5");
    unsetenv("TEV_PORTS_FILE");
    std::remove(file.c_str());
}

TEST(PortMap, OnlyARegularPortsFileIsRead) {
    // A FIFO named by mistake would block the open for good; a huge file would be read whole.
    const std::string fifo = ::testing::TempDir() + "tev_ports_fifo";
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    unsetenv("TEV_COM7");
    setenv("TEV_PORTS_FILE", fifo.c_str(), 1);
    EXPECT_EQ(DevicePath(7), "/dev/ttyS6");
    EXPECT_EQ(PortsFilePath(), "");
    setenv("TEV_PORTS_FILE", ::testing::TempDir().c_str(), 1); // a directory
    EXPECT_EQ(DevicePath(7), "/dev/ttyS6");

    const std::string big = ::testing::TempDir() + "tev_ports_big";
    {
        std::ofstream out(big);
        out << "COM7=/dev/first\n";
        for (int i = 0; i < 10000; ++i)
            out << "# a long comment line of padding text\n";
        out << "COM8=/dev/beyond-the-bound\n";
    }
    setenv("TEV_PORTS_FILE", big.c_str(), 1);
    EXPECT_EQ(DevicePath(7), "/dev/first");
    EXPECT_EQ(DevicePath(8), "/dev/ttyS7");

    // The bound cuts "COM9=/dev/ttyUSB12" after its "1": that line is not read at all.
    {
        const std::string line = "COM9=/dev/ttyUSB12\n";
        std::string text = "# " + std::string(64 * 1024 - 2 - 1 - (line.size() - 2), 'x') + "\n";
        std::ofstream(big) << text << line;
    }
    EXPECT_EQ(DevicePath(9), "/dev/ttyS8");
    unsetenv("TEV_PORTS_FILE");
    std::remove(fifo.c_str());
    std::remove(big.c_str());
}
