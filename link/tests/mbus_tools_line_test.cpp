// Meter address setting and command terminal over a pseudo-terminal against the simulated meters.
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

// Simulated meters that, while `deaf` is set, hear every frame but the address write (CI 0x51):
// they take a select and then stay silent.
class DeafToAddress final : public sim::Device {
  public:
    explicit DeafToAddress(std::shared_ptr<sim::MbusMeterBank> inner) : m_inner(std::move(inner)) {}
    std::size_t frameLength(std::span<const std::uint8_t> bytes) const override {
        return m_inner->frameLength(bytes);
    }
    sim::Reply answer(std::span<const std::uint8_t> frame, const sim::LineState& line) override {
        if (deaf && frame.size() > 6 && frame[0] == 0x68 && frame[6] == 0x51)
            return {};
        return m_inner->answer(frame, line);
    }

    std::atomic<bool> deaf{false};

  private:
    std::shared_ptr<sim::MbusMeterBank> m_inner;
};

// Two M-Bus meters at 2400 bit/s and a domestic meter behind two wake-up bytes.
class MbusToolsLine : public ::testing::Test {
  protected:
    void SetUp() override {
        m_meters = std::make_shared<sim::MbusMeterBank>(
            std::vector<sim::MbusMeterSpec>{{.primary = 1, .id = 12345678}, {.primary = 2, .id = 12345679}});
        m_deaf = std::make_shared<DeafToAddress>(m_meters);
        m_line.add(m_deaf);
        sim::DomesticMeterSpec domestic;
        domestic.address = {0x21, 0x43, 0x65, 0x87, 0x00, 0x00, 0x00};
        m_line.add(std::make_shared<sim::DomesticMeter>(domestic));
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
    std::shared_ptr<DeafToAddress> m_deaf;
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

TEST_F(MbusToolsLine, SelectTakenButAddressNotLeavesTheOldAddress) {
    m_deaf->deaf = true;
    EXPECT_EQ(set("12345678", "07"), AddressStep::NoAddressAck);
    EXPECT_EQ(primaryOf(0), 1);
    EXPECT_EQ(set("87654321", "07"), AddressStep::NoSelectAck);
}

TEST_F(MbusToolsLine, StopSetBeforeTheFramesSendsNothing) {
    std::atomic<bool> stop{true};
    const FieldCheck check = CheckManualFields("FFFFFFFF", "12345678", "09");
    EXPECT_EQ(SetMeterAddress(m_client, check.request, 1200, &stop), AddressStep::Cancelled);
    EXPECT_EQ(m_line.options().framesHeard.load(), 0u);
}

TEST_F(MbusToolsLine, TerminalShowsAckAndWakeUpBytesWithTheirTimes) {
    const TerminalRun ack = terminal("10 40 01", 1, protocol::MeterOrigin::Domestic);
    ASSERT_TRUE(ack.reply);
    EXPECT_EQ(*ack.reply, "E5 ");
    // 5 + 1 bytes: 25 ms on the wire.
    EXPECT_LT(ack.elapsedMs, 300);
    std::printf("E5 at 2400 bit/s: %ld ms (wire time 25 ms)\n", ack.elapsedMs);

    // The domestic meter's read request, summed from its first byte; its reply comes behind two 0xFE.
    const TerminalRun domestic =
        terminal("68 10 21 43 65 87 00 00 00 01 03 90 1F 00", 0, protocol::MeterOrigin::Domestic);
    ASSERT_TRUE(domestic.reply);
    EXPECT_TRUE(domestic.reply->starts_with("FE FE 68 10 21 43 65 87 00 00 00 81 16 ")) << *domestic.reply;
    EXPECT_EQ(domestic.reply->size(), (2u + 0x16 + 13) * 3);
    const TerminalRun none = terminal("10 5B 30", 1, protocol::MeterOrigin::Imported);
    EXPECT_FALSE(none.reply);
    EXPECT_EQ(HistoryReplyLine(none), "    No Respond!");
}

} // namespace
