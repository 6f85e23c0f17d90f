// The serial client against a simulated converter on a pseudo-terminal, through uart: the receive
// ends on the matched reply and waits its timeout for anything else. How each reply is judged is
// tested on a scripted line (modbus_fake_test.cpp).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tev/link/data_poll.hpp"
#include "tev/link/serial_client.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

using namespace tev;
using namespace tev::link;

namespace {

constexpr std::uint8_t kPort = 12;

// Answers requests to address 5 as the converter at address 2 would answer them: a slave that takes
// requests meant for another one.
class OtherSlave final : public sim::Device {
  public:
    std::size_t frameLength(std::span<const std::uint8_t> bytes) const override {
        return m_inner.frameLength(bytes);
    }
    sim::Reply answer(std::span<const std::uint8_t> frame, const sim::LineState& line) override {
        if (frame[0] != 5)
            return {};
        std::vector<std::uint8_t> relabelled(frame.begin(), frame.end() - 2);
        relabelled[0] = 2;
        protocol::AppendModbusCrc(relabelled);
        return m_inner.answer(relabelled, line);
    }

  private:
    sim::Converter m_inner{sim::ConverterConfig{.address = 2}};
};

class ClientLine : public ::testing::Test {
  protected:
    void SetUp() override {
        m_line.add(std::make_shared<sim::Converter>(sim::ConverterConfig{.address = 1, .meterCount = 2},
                                                    sim::SampleMeters(2, 1000)));
        m_line.add(std::make_shared<OtherSlave>());
        m_line.start();
        ::setenv("TEV_COM12", m_line.path().c_str(), 1);
    }
    void TearDown() override { m_line.stop(); }

    sim::Line m_line;
};

} // namespace

TEST_F(ClientLine, ModbusReadsAreJudgedAgainstTheirRequest) {
    struct Case {
        const char* what;
        protocol::ModbusRequest8 request;
        ExchangeError error;
        std::uint8_t exceptionCode;
        std::size_t dataBytes;
    };
    const Case cases[] = {
        {"configuration read", protocol::BuildReadRequest(1, 6000, 5), ExchangeError::None, 0, 10},
        {"register that does not exist", protocol::BuildReadRequest(1, 9000, 1), ExchangeError::Exception,
         0x02, 0},
        {"reply from another slave", protocol::BuildReadRequest(5, 6000, 5), ExchangeError::Mismatch, 0, 0},
        {"silence", protocol::BuildReadRequest(7, 6000, 5), ExchangeError::Timeout, 0, 0},
    };
    SerialClient client;
    ASSERT_EQ(client.open({kPort, 9600, 0, 8, 0}), UART_OK) << client.openFailure();
    for (const Case& c : cases) {
        constexpr std::uint16_t kTimeoutMs = 400;
        const ExchangeResult r = client.modbus(c.request, kTimeoutMs);
        EXPECT_EQ(r.error, c.error) << c.what << ": " << ExchangeErrorText(r.error);
        EXPECT_EQ(r.exceptionCode, c.exceptionCode) << c.what;
        EXPECT_EQ(r.data.size(), c.dataBytes) << c.what;
        EXPECT_LE(r.reply.size(), kModbusReplyMax) << c.what;
        EXPECT_GT(r.elapsedMs, 0.0) << c.what;
        // A matching reply ends the receive at once: 23 bytes take 24 ms on the wire at 9600 bit/s.
        if (c.error == ExchangeError::None || c.error == ExchangeError::Exception)
            EXPECT_LT(r.elapsedMs, kTimeoutMs / 2) << c.what;
        else
            EXPECT_GE(r.elapsedMs, kTimeoutMs - 1) << c.what;
    }
}

TEST_F(ClientLine, ReopensOnlyForOtherSettingsAndNamesAPortItCannotOpen) {
    const auto request = protocol::BuildReadRequest(1, 6000, 5);
    SerialClient client;
    EXPECT_EQ(client.modbus(request, 100).error, ExchangeError::NotOpen);
    // The converter talks at 9600 bit/s only, so a reply shows which rate the line was set to.
    struct Step {
        std::uint32_t baud;
        ExchangeError error;
    };
    for (const Step s : {Step{9600, ExchangeError::None}, Step{9600, ExchangeError::None},
                         Step{19200, ExchangeError::Timeout}, Step{9600, ExchangeError::None}}) {
        ASSERT_EQ(client.open({kPort, s.baud, 0, 8, 0}), UART_OK) << client.openFailure();
        EXPECT_TRUE(client.isOpen());
        EXPECT_EQ(client.settings().baud, s.baud);
        EXPECT_EQ(client.modbus(request, 200).error, s.error) << s.baud;
    }
    // Any other frame: without a rule the silence after the reply ends the receive.
    const ExchangeResult plain = client.exchange(request, 400, 300);
    EXPECT_TRUE(plain);
    EXPECT_EQ(plain.reply.size(), 15u);
    EXPECT_TRUE(plain.data.empty());

    ::setenv("TEV_COM14", "/nonexistent/tev-tty", 1);
    EXPECT_NE(client.open({14, 9600, 0, 8, 0}), UART_OK);
    EXPECT_FALSE(client.isOpen());
    EXPECT_EQ(client.openFailure().rfind("COM14 (/nonexistent/tev-tty)", 0), 0u) << client.openFailure();
    EXPECT_EQ(client.modbus(request, 100).error, ExchangeError::NotOpen);
    // The port left behind was closed: another client can have it.
    SerialClient other;
    EXPECT_EQ(other.open({kPort, 9600, 0, 8, 0}), UART_OK) << other.openFailure();
    EXPECT_TRUE(other.openFailure().empty());
}

TEST_F(ClientLine, CancelWakesAWaitingReceiveAndTheNextExchangeRuns) {
    SerialClient client;
    ASSERT_EQ(client.open({kPort, 9600, 0, 8, 0}), UART_OK) << client.openFailure();
    std::thread canceller([&client] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        client.cancel();
    });
    const ExchangeResult silent = client.modbus(protocol::BuildReadRequest(7, 6000, 5), 5000);
    canceller.join();
    EXPECT_EQ(silent.error, ExchangeError::Cancelled);
    EXPECT_LT(silent.elapsedMs, 2000.0);
    EXPECT_TRUE(client.isOpen());
    EXPECT_TRUE(client.modbus(protocol::BuildReadRequest(1, 6000, 5), 1000));
}

TEST_F(ClientLine, ALateReplyIsNeverTakenForTheNextMetersValues) {
    // The data page's poll of meters 1 and 2 in turn; every third reply comes 520 ms late.
    SerialClient client;
    ASSERT_EQ(client.open({kPort, 9600, 0, 8, 0}), UART_OK) << client.openFailure();
    std::uint32_t serials[2] = {};
    for (int entry = 0; entry < 2; ++entry) {
        const auto clean = RunDataPoll(client, 1, entry).values;
        ASSERT_TRUE(clean);
        serials[entry] = clean->serial;
    }
    ASSERT_NE(serials[0], serials[1]);
    m_line.options().lateReplyMs = 520;
    m_line.options().lateReplies = -3;
    constexpr int kPolls = 16;
    int wrong = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kPolls; ++i) {
        std::this_thread::sleep_until(
            start + std::chrono::milliseconds(StartPeriodMs(RefreshMode::Cyclic, 9600)) * i);
        const auto values = RunDataPoll(client, 1, i % 2).values;
        if (values && values->serial != serials[i % 2])
            ++wrong;
    }
    EXPECT_LE(wrong, 1) << "of " << kPolls << " polls";
}

TEST(ClientRestart, ADeviceThatComesBackIsReopenedByTheNextPoll) {
    // The port names a link that the "restarted simulator" points at its new pseudo-terminal, as a
    // re-plugged adapter comes back under its name.
    char dir[] = "/tmp/tev-link-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string link = std::string(dir) + "/com";
    const auto startLine = [&] {
        auto line = std::make_unique<sim::Line>();
        line->add(std::make_shared<sim::Converter>(sim::ConverterConfig{.address = 1, .meterCount = 2},
                                                   sim::SampleMeters(2, 1000)));
        line->start();
        ::unlink(link.c_str());
        EXPECT_EQ(::symlink(line->path().c_str(), link.c_str()), 0);
        return line;
    };
    auto line = startLine();
    ::setenv("TEV_COM13", link.c_str(), 1);
    SerialClient client;
    ASSERT_EQ(client.open({13, 9600, 0, 8, 0}), UART_OK) << client.openFailure();
    EXPECT_TRUE(RunDataPoll(client, 1, 0).values);

    line.reset(); // the simulator stops: its end of the line closes
    EXPECT_FALSE(RunDataPoll(client, 1, 0).values);
    line = startLine();
    bool back = false;
    for (int tick = 0; tick < 2 && !back; ++tick)
        back = RunDataPoll(client, 1, 0).values.has_value();
    EXPECT_TRUE(back) << "values again within two ticks";
    EXPECT_EQ(client.open({13, 9600, 0, 8, 0}), UART_OK);
    client.close();
    ::unlink(link.c_str());
    ::rmdir(dir);
}
