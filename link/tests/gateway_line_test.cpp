// The converter probe through a real network gateway: ser2net, started here on a loopback port,
// in front of simulated converters on a pseudo-terminal; raw TCP and RFC 2217.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tev/link/converter_probe.hpp"
#include "tev/link/serial_client.hpp"
#include "tev/link/serial_link.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"
#include "uart.h"

using namespace tev;
using namespace tev::link;

namespace {

constexpr std::uint8_t kPort = 61;

std::uint16_t FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

bool Listening(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

// ser2net as this test's own child, configured in a scratch folder; stopped by the destructor.
class Ser2net {
  public:
    Ser2net(const std::string& device, bool rfc2217, std::uint16_t port = 0)
        : m_port(port != 0 ? port : FreeLoopbackPort()) {
        char folder[] = "/tmp/tev-ser2net-XXXXXX";
        m_folder = ::mkdtemp(folder);
        const std::string config = m_folder + "/ser2net.yaml";
        std::ofstream(config) << "connection: &line\n"
                              << "  accepter: " << (rfc2217 ? "telnet(rfc2217),tcp," : "tcp,") << "127.0.0.1,"
                              << m_port << "\n"
                              << "  connector: serialdev," << device << ",9600n81,local\n"
                              << "  options:\n    kickolduser: false\n";
        m_pid = ::fork();
        if (m_pid == 0) {
            ::execlp("ser2net", "ser2net", "-n", "-u", "-c", config.c_str(), "-P",
                     (m_folder + "/pid").c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 100 && !Listening(m_port); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        // The probe connection above is still being closed on the gateway's side.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~Ser2net() {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        std::system(("rm -rf " + m_folder).c_str());
    }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;
    std::uint16_t port() const { return m_port; }

  private:
    std::uint16_t m_port;
    std::string m_folder;
    pid_t m_pid = -1;
};

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
        if (std::system("command -v ser2net >/dev/null") != 0)
            GTEST_SKIP() << "ser2net is not installed (scripts/setup.sh)";
        m_line.add(MakeConverter(0x03, 0x36)); // 9600
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

INSTANTIATE_TEST_SUITE_P(RawAndRfc2217, GatewayLine, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Rfc2217" : "RawTcp"; });
