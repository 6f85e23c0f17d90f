// tev_module over a port mapped to a network gateway: ser2net with port control (RFC 2217) in front
// of the simulated modules' pseudo-terminal, mapped through the ports file as a user would.
#include <fstream>
#include <unistd.h>

#include "module_line.hpp"
#include "ser2net_gateway.hpp"

namespace tev::iomodule::testing {
namespace {

class GatewayModuleLine : public ModuleLine {
  protected:
    static constexpr std::uint8_t kGatewayPort = 212;
};

TEST_F(GatewayModuleLine, ReadsAnAnalogInputThroughThePortsFile) {
    if (!tev::testing::HaveSer2net())
        GTEST_SKIP() << "ser2net is not installed (scripts/setup.sh)";
    CloseLink(kPort); // the gateway takes the line
    const std::string device = std::getenv(("TEV_COM" + std::to_string(kPort)).c_str());
    const tev::testing::Ser2net gateway(device, true);
    char file[] = "/tmp/tev-gateway-ports-XXXXXX";
    ::close(::mkstemp(file));
    std::ofstream(file) << "COM" << int{kGatewayPort} << "=rfc2217://127.0.0.1:" << gateway.port() << "\n";
    ::setenv("TEV_PORTS_FILE", file, 1);
    const std::uint16_t opened = OpenLink(kGatewayPort, kBaud, 8, UART_PARITY_NONE, 0);
    ::unsetenv("TEV_PORTS_FILE");
    ::unlink(file);
    char why[200] = {};
    UartOpenError(kGatewayPort, why, sizeof why);
    ASSERT_EQ(opened, UART_OK) << why;
    ASSERT_TRUE(withBank([](auto& bank) { return bank.setAnalogInput(0x06, 3, 1.5); }));
    auto w = block<std::uint16_t>(0x06, 0x7017);
    w[0] = kGatewayPort;
    w[5] = 3;
    EXPECT_EQ(AnalogIn(w.data(), m_f.data(), m_command.data(), m_reply.data()), 0) << m_reply.data();
    EXPECT_NEAR(m_f[0], 1.5F, 0.001F);
    CloseLink(kGatewayPort);
}

} // namespace
} // namespace tev::iomodule::testing
