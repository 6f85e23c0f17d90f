// tev-bench-exchange: time of one Modbus read of 4 registers (8-byte request, 13-byte reply) through
// the program's serial client (uart and the protocol core), against libmodbus's
// modbus_read_registers, on the same simulated converter with wire-speed pacing, at 9600 and
// 115200 bit/s.
//
// usage: tev-bench-exchange [exchanges per side and rate, default 300]
#include "tev/link/serial_client.hpp"
#include "tev/protocol/modbus_request.hpp"
#include "tev/sim/converter.hpp"

#include <modbus.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::vector<double>;
constexpr std::uint8_t kPort = 250;
constexpr int kRounds = 3; // the two sides take turns, so drifts in machine load hit both

double Percentile(Micros values, double p) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

// Our side: the serial client, timed from outside like libmodbus. Returns the failed exchanges.
int RunOurs(std::uint32_t baud, int count, Micros& times) {
    tev::link::SerialClient client;
    if (client.open({kPort, baud, UART_PARITY_NONE, 8, 0}) != UART_OK)
        return count;
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
    return failures;
}

int RunLibmodbus(const std::string& path, std::uint32_t baud, int count, Micros& times) {
    modbus_t* ctx = modbus_new_rtu(path.c_str(), static_cast<int>(baud), 'N', 8, 1);
    if (ctx == nullptr || modbus_connect(ctx) != 0)
        return count;
    modbus_set_slave(ctx, 1);
    modbus_set_response_timeout(ctx, 1, 0);
    int failures = 0;
    std::uint16_t regs[4];
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        const int rc = modbus_read_registers(ctx, 0, 4, regs);
        const auto end = Clock::now();
        if (rc != 4)
            ++failures;
        else
            times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    modbus_close(ctx);
    modbus_free(ctx);
    return failures;
}

void Report(const char* name, const Micros& times, int failures, double wire) {
    const double median = Percentile(times, 0.5);
    std::printf("  %-10s median %8.0f us  p95 %8.0f us  median/wire %5.3f  (%zu ok, %d failed)\n", name,
                median, Percentile(times, 0.95), median / wire, times.size(), failures);
}

void BenchRate(std::uint32_t baud, int count) {
    tev::sim::Line line;
    line.add(std::make_shared<tev::sim::Converter>(
        tev::sim::ConverterConfig{
            .address = 1, .baudCode = *tev::sim::ConverterBaudCode(baud), .meterCount = 4},
        tev::sim::SampleMeters(4, 12345678)));
    line.start();
    ::setenv("TEV_COM250", line.path().c_str(), 1);

    Micros ours, theirs;
    int oursFailed = 0, theirsFailed = 0;
    for (int round = 0; round < kRounds; ++round) {
        const int n = count / kRounds + (round < count % kRounds ? 1 : 0);
        oursFailed += RunOurs(baud, n, ours);
        theirsFailed += RunLibmodbus(line.path(), baud, n, theirs);
    }
    const double wire10 = 21.0 * 10.0 / baud * 1e6;
    const double wire11 = 21.0 * 11.0 / baud * 1e6;
    std::printf(
        "%u bit/s, %d exchanges each: wire time %.0f us (10 bits/byte, 8N1), %.0f us (11 bits, 8E1)\n", baud,
        count, wire10, wire11);
    Report("ours", ours, oursFailed, wire10);
    Report("libmodbus", theirs, theirsFailed, wire10);
    std::printf("  ours/libmodbus: median %.3f, p95 %.3f\n\n",
                Percentile(ours, 0.5) / Percentile(theirs, 0.5),
                Percentile(ours, 0.95) / Percentile(theirs, 0.95));
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(3, std::atoi(argv[1])) : 300;
    std::printf(
        "Modbus read of 4 registers on a simulated converter (pseudo-terminal, wire-speed pacing)\n\n");
    for (const std::uint32_t baud : {9600U, 115200U})
        BenchRate(baud, count);
    return 0;
}
