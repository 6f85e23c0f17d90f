// tev-soak-driver: exchanges with the simulated converters (COM1) through tev::link::SerialClient and
// with the simulated I-7000 modules (COM3) through libtev_module for a given time, reopening a port
// after failures (the simulator may be restarted under it), and reports exchanges, failures by kind,
// and the process's open file descriptors and resident memory at start, after warm-up and at the end.
// scripts/soak.sh runs it against tev-sim with faults on.
#include "tev/link/serial_client.hpp"
#include "tev/protocol/modbus_request.hpp"
#include <tev/tev_module.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kConverterPort = 1;
constexpr std::uint8_t kModulePort = 3;
constexpr int kFailuresBeforeReopen = 3;
constexpr auto kWarmUp = std::chrono::seconds(30);
constexpr auto kProgressEvery = std::chrono::seconds(60);
constexpr auto kSettle = std::chrono::seconds(15);

struct Resources {
    long fds = 0;
    long rssKb = 0;
};

Resources Measure() {
    Resources r;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++r.fds;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            r.rssKb = std::strtol(line.c_str() + 6, nullptr, 10);
    return r;
}

// Exchanges, failures by kind and reopens of one device line.
struct Tally {
    std::map<std::string, long> kinds;
    long exchanges = 0;
    long failed = 0;
    long reopens = 0;
    int streak = 0; // failures in a row

    // Counts one result; true when the port should be reopened.
    bool count(const std::string& kind) {
        ++exchanges;
        ++kinds[kind];
        if (kind == "ok") {
            streak = 0;
            return false;
        }
        ++failed;
        if (++streak < kFailuresBeforeReopen)
            return false;
        streak = 0;
        ++reopens;
        return true;
    }
    void print(const char* name) const {
        std::printf("%-10s %ld exchanges, %ld failed, %ld reopens:", name, exchanges, failed, reopens);
        for (const auto& [kind, n] : kinds)
            std::printf(" %s %ld;", kind.c_str(), n);
        std::printf("\n");
    }
};

const char* ConverterKind(tev::link::ExchangeError error) {
    using E = tev::link::ExchangeError;
    switch (error) {
    case E::None:
        return "ok";
    case E::NotOpen:
        return "not open";
    case E::WriteFailed:
        return "write failed";
    case E::Timeout:
        return "timeout";
    case E::BadFrame:
        return "bad frame";
    case E::Mismatch:
        return "mismatch";
    case E::Exception:
        return "exception";
    case E::Cancelled:
        return "cancelled";
    }
    return "other";
}

std::string ModuleKind(std::uint16_t code) {
    switch (code) {
    case TEV_MODULE_OK:
        return "ok";
    case UART_TIMEOUT:
        return "timeout";
    case UART_CHECKSUM_ERROR:
        return "checksum";
    case TEV_MODULE_INVALID_REPLY:
        return "invalid reply";
    case UART_REPLY_TOO_LONG:
        return "reply too long";
    case UART_PORT_ERROR:
        return "port error";
    case UART_NOT_OPEN:
        return "not open";
    case UART_WRITE_ERROR:
        return "write failed";
    default:
        return "code " + std::to_string(code);
    }
}

void ConverterExchange(tev::link::SerialClient& client, Tally& tally, long round) {
    if (!client.isOpen() && client.open({kConverterPort, 9600, 0, 8, 0}) != UART_OK) {
        tally.count("open failed");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return;
    }
    const auto address = static_cast<std::uint8_t>(1 + round % 2);
    const auto request = tev::protocol::BuildReadRequest(address, round % 3 == 0 ? 6000 : 0, 5);
    if (tally.count(ConverterKind(client.modbus(request, 300).error)))
        client.close();
}

void ModuleExchange(bool& open, Tally& tally, long round) {
    if (!open && OpenLink(kModulePort, 9600, 8, UART_PARITY_NONE, 0) != UART_OK) {
        tally.count("open failed");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return;
    }
    open = true;
    float f[8] = {};
    char command[100], reply[100];
    std::uint16_t code = 0;
    if (round % 2 == 0) {
        std::uint16_t w[12] = {kModulePort, 0x06, 0x7017, 0, 200, static_cast<std::uint16_t>(round % 8), 1};
        code = AnalogIn(w, f, command, reply);
    } else {
        std::uint16_t w[12] = {kModulePort, 0x10, 0x7050, 0, 200, 0, 1};
        code = DigitalIn(w, f, command, reply);
    }
    if (tally.count(ModuleKind(code))) {
        CloseLink(kModulePort);
        open = false;
    }
}

// Opens both ports again (a restart may have closed them), so the end compares with the warm-up.
void ReopenBoth(tev::link::SerialClient& client, bool& moduleOpen) {
    const auto end = Clock::now() + kSettle;
    for (long round = 0; (!client.isOpen() || !moduleOpen) && Clock::now() < end; ++round) {
        Tally ignored;
        ConverterExchange(client, ignored, round);
        ModuleExchange(moduleOpen, ignored, round);
    }
}

void PrintReport(const Resources& start, const Resources& warm, const Resources& last) {
    for (const auto& [when, r] : {std::pair{"start", start}, std::pair{"warm", warm}, std::pair{"end", last}})
        std::printf("%-10s fds %ld, rss %ld kB\n", when, r.fds, r.rssKb);
    std::printf("growth after warm-up: fds %+ld, rss %+ld kB\n", last.fds - warm.fds,
                last.rssKb - warm.rssKb);
}

void Progress(Clock::duration elapsed, long exchanges, long failed) {
    const auto r = Measure();
    std::printf("%4ld min: %ld exchanges, %ld failed, fds %ld, rss %ld kB\n",
                static_cast<long>(elapsed / std::chrono::minutes(1)), exchanges, failed, r.fds, r.rssKb);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 60;
    if (argc > 2 || seconds <= 0) {
        std::fprintf(stderr, "usage: tev-soak-driver [seconds]  (COM1 converters, COM3 I-7000 modules)\n");
        return 2;
    }
    const Resources start = Measure();
    Resources warm = start;
    bool warmed = false;
    tev::link::SerialClient client;
    bool moduleOpen = false;
    Tally converters, modules;
    const auto begin = Clock::now();
    const auto end = begin + std::chrono::seconds(seconds);
    auto progressAt = begin + kProgressEvery;
    for (long round = 0; Clock::now() < end; ++round) {
        ConverterExchange(client, converters, round);
        ModuleExchange(moduleOpen, modules, round);
        const auto now = Clock::now();
        if (!warmed && now - begin >= kWarmUp) {
            warm = Measure();
            warmed = true;
        }
        if (now >= progressAt) {
            Progress(now - begin, converters.exchanges + modules.exchanges,
                     converters.failed + modules.failed);
            progressAt += kProgressEvery;
        }
    }
    ReopenBoth(client, moduleOpen);
    const Resources last = Measure();
    client.close();
    if (moduleOpen)
        CloseLink(kModulePort);
    std::printf("soak: %ld s, %ld exchanges, %ld failed\n", seconds, converters.exchanges + modules.exchanges,
                converters.failed + modules.failed);
    converters.print("converter");
    modules.print("modules");
    PrintReport(start, warm, last);
    return converters.kinds["ok"] + modules.kinds["ok"] > 0 ? 0 : 1;
}
