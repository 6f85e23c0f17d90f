// tev-bench-gateway: one Modbus read of 4 registers through the serial client on the simulated
// converter's pseudo-terminal directly, against the same exchange through ser2net (raw TCP and
// RFC 2217) on loopback in front of that pseudo-terminal, in turns; and the time OpenLink takes to
// connect to the gateway.
//
// usage: tev-bench-gateway [exchanges per side and rate, default 200]
#include "tev/link/serial_client.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/sim/converter.hpp"
#include <tev/uart.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::vector<double>;
constexpr std::uint8_t kDirect = 250;
constexpr std::uint8_t kRaw = 251;
constexpr std::uint8_t kTelnet = 252;
constexpr int kRounds = 3;

double Median(Micros values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

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

// ser2net with a raw and an RFC 2217 accepter on the device; stopped by the destructor.
class Ser2net {
  public:
    Ser2net(const std::string& device, std::uint32_t baud)
        : m_raw(FreeLoopbackPort()), m_telnet(FreeLoopbackPort()) {
        char folder[] = "/tmp/tev-ser2net-XXXXXX";
        m_folder = ::mkdtemp(folder);
        const std::string config = m_folder + "/ser2net.yaml";
        std::ofstream out(config);
        const std::string connector = "  connector: serialdev," + device + "," + std::to_string(baud) +
                                      "n81,local\n  options:\n    chardelay: false\n";
        out << "connection: &raw\n  accepter: tcp,127.0.0.1," << m_raw << "\n" << connector;
        out << "connection: &telnet\n  accepter: telnet(rfc2217),tcp,127.0.0.1," << m_telnet << "\n"
            << connector;
        out.close();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::execlp("ser2net", "ser2net", "-n", "-u", "-c", config.c_str(), "-P",
                     (m_folder + "/pid").c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    ~Ser2net() {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        std::system(("rm -rf " + m_folder).c_str());
    }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;
    std::uint16_t raw() const { return m_raw; }
    std::uint16_t telnet() const { return m_telnet; }

  private:
    std::uint16_t m_raw;
    std::uint16_t m_telnet;
    std::string m_folder;
    pid_t m_pid = -1;
};

int Run(std::uint8_t port, std::uint32_t baud, int count, Micros& times) {
    tev::link::SerialClient client;
    if (client.open({port, baud, UART_PARITY_NONE, 8, 0}) != UART_OK) {
        char why[200];
        UartOpenError(port, why, sizeof why);
        std::printf("  COM%u: %s\n", port, why);
        return count;
    }
    const auto request = tev::protocol::BuildReadRequest(1, 0, 4);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        const tev::link::ExchangeResult result = client.modbus(request, 1000);
        const auto end = Clock::now();
        if (!result)
            ++failures;
        else
            times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    client.close();
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the gateway frees the device
    return failures;
}

double ConnectMicros(std::uint8_t port, std::uint32_t baud) {
    Micros times;
    for (int i = 0; i < 10; ++i) {
        const auto start = Clock::now();
        const bool ok = OpenLink(port, baud, 8, 0, 0) == UART_OK;
        const auto end = Clock::now();
        CloseLink(port);
        if (ok)
            times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the gateway frees the line
    }
    return Median(times);
}

void BenchRate(std::uint32_t baud, int count) {
    tev::sim::Line line;
    line.add(std::make_shared<tev::sim::Converter>(
        tev::sim::ConverterConfig{
            .address = 1, .baudCode = *tev::sim::ConverterBaudCode(baud), .meterCount = 4},
        tev::sim::SampleMeters(4, 12345678)));
    line.start();
    const Ser2net gateway(line.path(), baud);
    ::setenv("TEV_COM250", line.path().c_str(), 1);
    ::setenv("TEV_COM251", ("tcp://127.0.0.1:" + std::to_string(gateway.raw())).c_str(), 1);
    ::setenv("TEV_COM252", ("rfc2217://127.0.0.1:" + std::to_string(gateway.telnet())).c_str(), 1);

    Micros direct, raw, telnet;
    int failed[3] = {0, 0, 0};
    for (int round = 0; round < kRounds; ++round) {
        const int n = count / kRounds + (round < count % kRounds ? 1 : 0);
        failed[0] += Run(kDirect, baud, n, direct);
        failed[1] += Run(kRaw, baud, n, raw);
        failed[2] += Run(kTelnet, baud, n, telnet);
    }
    std::printf("%u bit/s, %d exchanges each (failed: %d direct, %d raw, %d rfc2217)\n", baud, count,
                failed[0], failed[1], failed[2]);
    std::printf("  pty directly     median %8.0f us\n", Median(direct));
    std::printf("  ser2net raw TCP  median %8.0f us  ratio %.3f (target <= 1.05)\n", Median(raw),
                Median(raw) / Median(direct));
    std::printf("  ser2net RFC 2217 median %8.0f us  ratio %.3f (target <= 1.05)\n", Median(telnet),
                Median(telnet) / Median(direct));
    std::printf("  connect (OpenLink): raw TCP %.0f us, RFC 2217 with settings confirmed %.0f us\n\n",
                ConnectMicros(kRaw, baud), ConnectMicros(kTelnet, baud));
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(3, std::atoi(argv[1])) : 200;
    if (std::system("command -v ser2net >/dev/null") != 0) {
        std::printf("tev-bench-gateway: ser2net is not installed (scripts/setup.sh)\n");
        return 1;
    }
    std::printf("Modbus read of 4 registers: simulated converter on a pseudo-terminal, directly and through "
                "ser2net on loopback\n\n");
    for (const std::uint32_t baud : {9600U, 115200U})
        BenchRate(baud, count);
    return 0;
}
