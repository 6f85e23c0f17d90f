// Peer checks with code written elsewhere: mbpoll and libmodbus as masters of our converter
// simulator, and our protocol core through uart as master of a libmodbus slave.
#include "tev/protocol/modbus_frame_rule.hpp"
#include "tev/protocol/modbus_reply.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/sim/converter.hpp"

#include <tev/uart.h>

#include <modbus.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace tev::sim {
namespace {

// Peers cannot set even parity on a pseudo-terminal, so the converter runs with parity none.
class ConverterPeerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_line.add(m_converter);
        m_line.start();
    }
    std::shared_ptr<Converter> m_converter = std::make_shared<Converter>(
        ConverterConfig{.address = 1, .baudCode = 0x36, .meterCount = 8}, SampleMeters(8, 12345678));
    Line m_line;
};

// Runs a shell command; returns its exit status and output.
std::pair<int, std::string> Shell(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return {-1, out};
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        out += buffer;
    return {::pclose(pipe), out};
}

TEST_F(ConverterPeerTest, MbpollReadsAndWritesTheConverter) {
    if (Shell("command -v mbpoll").first != 0)
        GTEST_SKIP() << "mbpoll is not installed";
    const std::string base = "mbpoll -m rtu -b 9600 -P none -a 1 -0 -1 -o 2 ";
    auto [status, out] = Shell(base + "-r 6000 -c 5 " + m_line.path());
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("[6000]: \t310"), std::string::npos) << out; // address 1, code 0x36
    EXPECT_NE(out.find("[6002]: \t8"), std::string::npos) << out;

    std::tie(status, out) = Shell(base + "-r 6001 " + m_line.path() + " 120");
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(m_converter->config().acquisitionTime, 120) << out;

    std::tie(status, out) = Shell(base + "-r 8000 " + m_line.path() + " 258 772"); // function 0x10
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(m_converter->entry(0).type, 1);
    EXPECT_EQ(m_converter->entry(3).type, 4);

    std::tie(status, out) = Shell(base + "-r 6005 -c 1 " + m_line.path());
    EXPECT_NE(out.find("Illegal data address"), std::string::npos) << out;
}

TEST_F(ConverterPeerTest, LibmodbusMasterReadsAndWritesTheConverter) {
    modbus_t* ctx = modbus_new_rtu(m_line.path().c_str(), 9600, 'N', 8, 1);
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(modbus_connect(ctx), 0) << modbus_strerror(errno);
    modbus_set_response_timeout(ctx, 1, 0);
    modbus_set_slave(ctx, 1);

    std::array<std::uint16_t, 96> regs{};
    ASSERT_EQ(modbus_read_registers(ctx, 6000, 5, regs.data()), 5) << modbus_strerror(errno);
    EXPECT_EQ(regs[0], 0x0136);
    EXPECT_EQ(regs[2], 0x0008);
    EXPECT_EQ(modbus_write_register(ctx, 6003, 2), 1) << modbus_strerror(errno);
    EXPECT_EQ(m_converter->config().parity, 2);
    const std::uint16_t secondary[3] = {0x1234, 0x5678, 0x9ABC};
    EXPECT_EQ(modbus_write_registers(ctx, 7003, 3, secondary), 3) << modbus_strerror(errno);
    ASSERT_EQ(modbus_read_registers(ctx, 7000, 96, regs.data()), 96) << modbus_strerror(errno);
    EXPECT_EQ(regs[3], 0x1234);
    EXPECT_EQ(regs[5], 0x9ABC);

    EXPECT_EQ(modbus_read_registers(ctx, 6005, 1, regs.data()), -1);
    EXPECT_EQ(errno, EMBXILADD);
    EXPECT_EQ(modbus_read_input_registers(ctx, 0, 1, regs.data()), -1);
    EXPECT_EQ(errno, EMBXILFUN);
    modbus_set_slave(ctx, 9);
    modbus_set_response_timeout(ctx, 0, 300000);
    EXPECT_EQ(modbus_read_registers(ctx, 6000, 5, regs.data()), -1) << "no converter at address 9";
    modbus_close(ctx);
    modbus_free(ctx);
}

// A libmodbus RTU slave served on the master side of a pseudo-terminal.
class LibmodbusSlave {
  public:
    LibmodbusSlave() {
        m_fd = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_fd < 0 || ::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0)
            return;
        m_path = ::ptsname(m_fd);
        m_map = modbus_mapping_new_start_address(0, 0, 0, 0, 6000, 2100, 0, 0);
        m_ctx = modbus_new_rtu(m_path.c_str(), 9600, 'N', 8, 1);
        modbus_set_socket(m_ctx, m_fd); // served on the master side, not on the path
        modbus_set_slave(m_ctx, 1);
        modbus_set_indication_timeout(m_ctx, 0, 100000);
        m_map->tab_registers[0] = 0x0136;
        m_map->tab_registers[1] = 60;
        m_thread = std::thread([this] { serve(); });
    }
    ~LibmodbusSlave() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_ctx)
            modbus_free(m_ctx); // not modbus_close: the descriptor is ours
        if (m_map)
            modbus_mapping_free(m_map);
        if (m_fd >= 0)
            ::close(m_fd);
    }
    const std::string& path() const { return m_path; }
    std::uint16_t reg(int address) const { return m_map->tab_registers[address - 6000]; }

  private:
    void serve() {
        std::uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
        while (!m_stop) {
            const int rc = modbus_receive(m_ctx, query);
            if (rc > 0)
                modbus_reply(m_ctx, query, rc, m_map);
            else if (rc < 0 && errno != ETIMEDOUT)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    int m_fd = -1;
    std::string m_path;
    modbus_t* m_ctx = nullptr;
    modbus_mapping_t* m_map = nullptr;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Sends `request` through uart and checks the reply with the protocol core.
std::vector<std::uint8_t> Transact(std::uint8_t port, std::span<const std::uint8_t> request) {
    std::vector<std::uint8_t> reply(300);
    std::uint16_t received = 0;
    EXPECT_EQ(SendBytes(port, request.data(), static_cast<std::uint16_t>(request.size())), UART_OK);
    ReceiveFrame(
        port, reply.data(), 1000, static_cast<std::uint16_t>(reply.size()), &received,
        [](const std::uint8_t* d, std::size_t n, void* c) { return protocol::ModbusReplyRule(d, n, c); },
        nullptr);
    reply.resize(received);
    return reply;
}

TEST(LibmodbusSlavePeer, OurCoreReadsAndWritesALibmodbusSlave) {
    LibmodbusSlave slave;
    ASSERT_FALSE(slave.path().empty());
    constexpr std::uint8_t kPort = 201;
    ::setenv("TEV_COM201", slave.path().c_str(), 1);
    ASSERT_EQ(OpenLink(kPort, 9600, 8, UART_PARITY_NONE, 0), UART_OK);

    const auto read = protocol::BuildReadRequest(1, 6000, 5);
    auto reply = Transact(kPort, read);
    auto checked = protocol::CheckModbusReply(read, reply);
    ASSERT_TRUE(checked) << protocol::ReplyErrorText(checked.error);
    EXPECT_EQ(std::vector<std::uint8_t>(checked.data.begin(), checked.data.begin() + 4),
              (std::vector<std::uint8_t>{0x01, 0x36, 0x00, 0x3C}));

    const auto write = protocol::BuildWriteSingleRequest(1, 6001, 300);
    reply = Transact(kPort, write);
    EXPECT_TRUE(protocol::CheckModbusReply(write, reply));
    EXPECT_EQ(slave.reg(6001), 300);

    const std::uint16_t values[] = {0xA1A2, 0xB1B2, 0xC1C2};
    const auto multiple = protocol::BuildWriteMultipleRequest(1, 7096, values);
    reply = Transact(kPort, multiple.frame);
    EXPECT_TRUE(protocol::CheckModbusReply(multiple.frame, reply));
    EXPECT_EQ(slave.reg(7098), 0xC1C2);

    const auto outside = protocol::BuildReadRequest(1, 9000, 1);
    reply = Transact(kPort, outside);
    checked = protocol::CheckModbusReply(outside, reply);
    EXPECT_EQ(checked.error, protocol::ReplyError::Exception);
    EXPECT_EQ(checked.exceptionCode, 2);
    CloseLink(kPort);
}

} // namespace
} // namespace tev::sim
