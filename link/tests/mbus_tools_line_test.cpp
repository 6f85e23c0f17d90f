// Meter address setting and command terminal over a pseudo-terminal against the simulated meters.
// Missing and odd answers are tested on a scripted line (mbus_tools_fake_test.cpp).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "tev/link/direct_line.hpp"
#include "tev/link/meter_address.hpp"
#include "tev/link/serial_client.hpp"
#include "tev/link/terminal.hpp"
#include "tev/protocol/hex_input.hpp"
#include "tev/sim/line.hpp"
#include "tev/sim/mbus_meter.hpp"

using namespace tev;
using namespace tev::link;

namespace {

// Each test on a port of its own: uart keeps a guard time after a receive that timed out, and the
// timing checks must not see the guard of an earlier test.
std::uint8_t NextPort() {
    static std::uint8_t port = 12;
    return ++port <= 16 ? port : (port = 13);
}
constexpr std::uint32_t kBaud = 2400;

// Two M-Bus meters at 2400 bit/s.
class MbusToolsLine : public ::testing::Test {
  protected:
    void SetUp() override {
        m_meters = std::make_shared<sim::MbusMeterBank>(
            std::vector<sim::MbusMeterSpec>{{.primary = 1, .id = 12345678}, {.primary = 2, .id = 12345679}});
        m_line.add(m_meters);
        m_line.start();
        ::setenv(("TEV_COM" + std::to_string(m_port)).c_str(), m_line.path().c_str(), 1);
        ASSERT_EQ(m_client.open(DirectLineSettings(m_port, kBaud)), UART_OK);
    }
    void TearDown() override {
        m_client.close();
        m_line.stop();
    }
    std::uint8_t primaryOf(std::size_t meter) const { return m_meters->meters().at(meter).primary; }
    AddressStep set(const char* id, const char* address) {
        const FieldCheck check = CheckManualFields("FFFFFFFF", id, address);
        return SetMeterAddress(m_client, check.request, AddressReceiveTimeoutMs(kBaud));
    }
    TerminalRun terminal(const char* command, int checksumIndex, protocol::MeterOrigin origin) {
        const TerminalFrame frame = BuildTerminalFrame(command, ChecksumStartOffset(checksumIndex));
        return RunTerminalExchange(m_client, DirectLineSettings(m_port, kBaud), frame.bytes, origin);
    }

    std::uint8_t m_port = NextPort();
    sim::Line m_line;
    std::shared_ptr<sim::MbusMeterBank> m_meters;
    SerialClient m_client;
};

TEST_F(MbusToolsLine, NewAddressIsSetAndTheMeterAnswersThere) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(set("12345679", "05"), AddressStep::Done);
    // Three frames and their 0xE5 at 2400 bit/s take about 200 ms on the wire; no receive waits
    // for its timeout.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_EQ(primaryOf(1), 5);
    EXPECT_EQ(primaryOf(0), 1);
    EXPECT_FALSE(m_meters->selected());

    const TerminalRun run = terminal("10 5B 05", 1, protocol::MeterOrigin::Imported);
    ASSERT_TRUE(run.reply);
    EXPECT_TRUE(run.reply->starts_with("68 1A 1A 68 08 05 72 79 56 34 12 ")) << *run.reply;
    EXPECT_EQ(run.reply->size(), 32u * 3);
    // 5 + 32 bytes at 2400 bit/s: 154 ms on the wire at 10 bits a byte (a pseudo-terminal carries no
    // parity bit), far from the 1300 ms timeout.
    EXPECT_GT(run.elapsedMs, 150);
    EXPECT_LT(run.elapsedMs, 600);
    std::printf("REQ_UD2 long frame at 2400 bit/s: %ld ms (wire time 154 ms)\n", run.elapsedMs);
}

} // namespace
