// The converter probe through a real network gateway: ser2net, started here on a loopback port,
// in front of simulated converters on a pseudo-terminal; raw TCP and RFC 2217.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "ser2net_gateway.hpp"
#include "tev/link/converter_probe.hpp"
#include "tev/link/converter_settings.hpp"
#include "tev/link/data_poll.hpp"
#include "tev/link/serial_client.hpp"
#include "tev/link/serial_link.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"
#include <tev/uart.h>

using namespace tev;
using namespace tev::link;
using tev::testing::Ser2net;

namespace {

constexpr std::uint8_t kPort = 61;

std::shared_ptr<sim::Converter> MakeConverter(std::uint8_t address, std::uint8_t baudCode) {
    sim::ConverterConfig c;
    c.address = address;
    c.baudCode = baudCode;
    c.meterType = 0x10;
    c.meterCount = 2;
    return std::make_shared<sim::Converter>(c, sim::SampleMeters(2, 1000));
}

class GatewayLine : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        if (!tev::testing::HaveSer2net())
            GTEST_SKIP() << "ser2net is not installed (scripts/setup.sh)";
        m_converter = MakeConverter(0x03, 0x36); // 9600
        m_line.add(m_converter);
        m_line.add(MakeConverter(0x05, 0x37)); // 19200
        m_line.start();
        m_gateway = std::make_unique<Ser2net>(m_line.path(), GetParam());
        const std::string name =
            std::string(GetParam() ? "rfc2217" : "tcp") + "://127.0.0.1:" + std::to_string(m_gateway->port());
        ::setenv(("TEV_COM" + std::to_string(kPort)).c_str(), name.c_str(), 1);
    }
    void TearDown() override {
        CloseLink(kPort);
        m_gateway.reset();
        m_line.stop();
    }
    ProbeOutcome probe(std::uint32_t baud, std::uint8_t address) {
        SerialSettings s;
        s.port = kPort;
        s.baud = baud;
        return ProbeConverter(s, address, 300);
    }

    sim::Line m_line;
    std::shared_ptr<sim::Converter> m_converter;
    std::unique_ptr<Ser2net> m_gateway;
};

} // namespace

TEST_P(GatewayLine, ConverterAnswersThroughTheGateway) {
    const ProbeOutcome outcome = probe(9600, 0x03);
    ASSERT_TRUE(outcome.opened) << outcome.openFailure;
    EXPECT_TRUE(outcome.answered);
    EXPECT_FALSE(probe(9600, 0x07).answered); // nobody there
    EXPECT_TRUE(probe(9600, 0x03).answered);  // the line is clean after a silent request
}

TEST_P(GatewayLine, RateReachesTheLineOnlyThroughPortControl) {
    // The converter at 19200 answers only when the gateway's line runs at 19200: RFC 2217 sets it,
    // a raw line keeps the gateway's own 9600.
    EXPECT_EQ(probe(19200, 0x05).answered, GetParam());
    EXPECT_EQ(probe(19200, 0x03).answered, !GetParam());
    EXPECT_TRUE(probe(9600, 0x03).answered);
}

TEST_P(GatewayLine, SecondOpenerIsToldTheGatewayIsBusy) {
    ASSERT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_OK) << OpenFailureText(kPort);
    ::setenv("TEV_COM62", ::getenv(("TEV_COM" + std::to_string(kPort)).c_str()), 1);
    EXPECT_EQ(OpenLink(62, 9600, 8, 0, 0), UART_PORT_ERROR);
    EXPECT_NE(OpenFailureText(62).find("占用"), std::string::npos) << OpenFailureText(62);
    CloseLink(62);
}

TEST_P(GatewayLine, ClientCarriesOnWhenTheGatewayComesBack) {
    SerialClient client;
    ASSERT_EQ(client.open({kPort, 9600, 0, 8, 0}), UART_OK) << client.openFailure();
    const auto request = protocol::BuildReadRequest(3, 6000, 5);
    EXPECT_EQ(client.modbus(request, 300).error, ExchangeError::None);
    const std::uint16_t port = m_gateway->port();
    m_gateway.reset(); // the connection is dropped
    EXPECT_EQ(client.modbus(request, 300).error, ExchangeError::NotOpen);
    m_gateway = std::make_unique<Ser2net>(m_line.path(), GetParam(), port);
    EXPECT_EQ(client.modbus(request, 300).error, ExchangeError::None);
}

// The data page's poll and a settings write of the settings page, as the program runs them.
TEST_P(GatewayLine, DataPollAndSettingsWriteThroughTheGateway) {
    Converter converter;
    converter.port = kPort;
    converter.address = 0x03;
    converter.baud = 9600;
    SerialClient client;
    ASSERT_EQ(client.open(converter.settings()), UART_OK) << client.openFailure();
    const DataPollResult poll = RunDataPoll(client, converter.address, 1);
    ASSERT_TRUE(poll.values.has_value());
    EXPECT_EQ(poll.values->serial, m_converter->entry(1).serial);
    const BuiltWrite write = BuildAcquisitionTimeWrite(converter.address, "77");
    const CommandOutcome outcome =
        RunSettingsJob(client, converter, {SettingsCommand::AcquisitionTime, write.frame, 0});
    EXPECT_TRUE(outcome.ok()) << ExchangeErrorText(outcome.error);
    EXPECT_EQ(m_converter->config().acquisitionTime, 77);
}

INSTANTIATE_TEST_SUITE_P(RawAndRfc2217, GatewayLine, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Rfc2217" : "RawTcp"; });
