// Serial devices present, the user's ports file as libuart reads it, and open failures in Chinese.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tev/link/port_mapping.hpp"
#include <tev/uart.hpp>

namespace fs = std::filesystem;
using namespace tev::link;

namespace {

struct Scratch {
    fs::path root = fs::temp_directory_path() / ("tev-ports-" + std::to_string(::getpid()));
    Scratch() {
        fs::remove_all(root);
        fs::create_directories(root / "dev/serial/by-id");
        fs::create_directories(root / "sys");
    }
    ~Scratch() { fs::remove_all(root); }
    void file(const fs::path& p, const std::string& text = "") {
        fs::create_directories((root / p).parent_path());
        std::ofstream(root / p) << text;
    }
};

} // namespace

TEST(PortMapping, ListsAdaptersByIdThenUsbAcmAndRealUarts) {
    Scratch s;
    for (const char* tty : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "tty0"})
        s.file(fs::path("dev") / tty);
    s.file("sys/class/tty/ttyS0/type", "4\n");
    s.file("sys/class/tty/ttyS1/type", "0\n"); // no UART behind it
    fs::create_symlink("../../ttyUSB2", s.root / "dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    const auto devices = ListSerialDevices(s.root / "dev", s.root / "sys");
    std::vector<std::string> paths;
    for (const auto& d : devices)
        paths.push_back(fs::path(d.path).lexically_relative(s.root / "dev").string());
    EXPECT_EQ(paths, (std::vector<std::string>{"serial/by-id/usb-FTDI_FT232R-if00-port0", "ttyUSB2",
                                               "ttyUSB10", "ttyACM0", "ttyS0"}));
    EXPECT_EQ(devices[0].description, "usb-FTDI_FT232R-if00-port0 -> ttyUSB2");
}

TEST(PortMapping, WrittenFileKeepsCommentsAndOtherPortsAndIsWhatUartReads) {
    Scratch s;
    const fs::path file = s.root / "cfg/tev/ports";
    s.file("cfg/tev/ports", "# my adapters\nCOM1=/dev/old\nCOM20=/dev/ttyS9\n");
    ASSERT_EQ(WritePortsFile(file, {{1, "/dev/ttyUSB0"}, {3, "/dev/pts/7"}, {4, ""}}), "");
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "# my adapters\nCOM20=/dev/ttyS9\nCOM1=/dev/ttyUSB0\nCOM3=/dev/pts/7\n");
    EXPECT_EQ(ReadPortsFile(file),
              (std::map<int, std::string>{{1, "/dev/ttyUSB0"}, {3, "/dev/pts/7"}, {20, "/dev/ttyS9"}}));
    ::setenv("TEV_PORTS_FILE", file.c_str(), 1);
    ::unsetenv("TEV_COM3");
    EXPECT_EQ(::uart::PortDevice(3), "/dev/pts/7");
    ::unsetenv("TEV_PORTS_FILE");
    EXPECT_EQ(UserPortsFile({"/home/u", "", ""}, ""), fs::path("/home/u/.config/tev/ports"));
    EXPECT_EQ(UserPortsFile({"/home/u", "/x", ""}, "/y/p"), fs::path("/y/p"));
    // A file in a folder that cannot be made is refused with its path; nothing is half written.
    EXPECT_NE(WritePortsFile("/proc/no-such/ports", {{1, "/dev/ttyS0"}}), "");
}

TEST(PortMapping, MappedDevicesGoneOrTransientAreTold) {
    Scratch s;
    s.file("dev/ttyUSB0");
    fs::create_symlink(s.root / "dev/ttyUSB0", s.root / "dev/serial/by-id/usb-adapter");
    fs::create_symlink(s.root / "dev/gone", s.root / "sim-line");
    const std::pair<std::string, MappedDevice> cases[] = {
        {"", MappedDevice::None},
        {(s.root / "dev/ttyUSB0").string(), MappedDevice::Present},
        {(s.root / "dev/serial/by-id/usb-adapter").string(), MappedDevice::Present},
        {(s.root / "dev/ttyUSB1").string(), MappedDevice::Missing},
        {(s.root / "sim-line").string(), MappedDevice::Missing}, // a link whose simulator stopped
        {"/dev/pts/4095", MappedDevice::Missing},
        {"/dev/pts/ptmx", MappedDevice::PseudoTerminal},
    };
    for (const auto& [device, state] : cases)
        EXPECT_EQ(CheckMappedDevice(device), state) << device;
}

TEST(PortMapping, OpenFailuresSayWhyInChinese) {
    const struct {
        const char* uart;
        const char* starts;
    } cases[] = {
        {"/dev/ttyUSB0: Permission denied (add the user to the dialout group: ...)", "没有权限打开串口"},
        {"/dev/ttyUSB0: Device or resource busy (another program holds the port)", "串口被其他程序占用"},
        {"/dev/x: No such file or directory (no such serial device: check ...)", "串口设备不存在"},
        {"/tmp/f: setting line parameters: Inappropriate ioctl for device", "不是串口设备"},
        {"/dev/x: Input/output error", "串口无法打开"},
        {"tcp://127.0.0.1:4001: busy (the gateway closed the connection at once: ...)",
         "网关被其他客户端占用"},
        {"rfc2217://gw:4001: connection refused (no gateway listens on that port)", "网关拒绝连接"},
        {"tcp://nohost:1: name not found (Name or service not known)", "找不到网关的主机名"},
        {"tcp://10.0.0.5:1: unreachable (No route to host)", "网关不可达"},
        {"tcp://10.0.0.5:1: connect timed out after 3 s", "连接网关超时"},
        {"tcp://10.0.0.5:1: connection closed by the gateway", "网关断开了连接"},
    };
    for (const auto& c : cases) {
        const std::string text = OpenReasonText(c.uart);
        EXPECT_EQ(text.rfind(c.starts, 0), 0u) << c.uart;
        EXPECT_NE(text.find(c.uart), std::string::npos); // the details stay
    }
    EXPECT_EQ(OpenReasonText(""), "");
}

TEST(PortMapping, TargetsAreDevicesOrGatewayAddresses) {
    const struct {
        const char* text;
        bool ok;
    } cases[] = {
        {"", true},
        {"/dev/ttyUSB0", true},
        {"tcp://10.0.0.5:4001", true},
        {"RFC2217://gw-1.lan:2001", true},
        {"tcp://[fe80::1%eth0]:4001", true},
        {"ttyUSB0", false},
        {"tcp://10.0.0.5", false},
        {"tcp://10.0.0.5:70000", false},
        {"tcp://fe80::1:4001", false},
        {"tcp://a b:1", false},
        {"udp://10.0.0.5:4001", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PortTargetProblem(c.text).empty(), c.ok) << c.text << ": " << PortTargetProblem(c.text);
}
