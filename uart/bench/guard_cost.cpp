// Measures what the guard against late replies costs: the time of an exchange with a module that
// answers at once, after a clean exchange and after an exchange with an absent module that timed out,
// before and after the port has seen module 03 answer 300 ms late.
// Usage: uart-guard-cost [runs]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <tev/uart.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint8_t kPort = 201;

// Plays module 01, which answers "#01\r" at once, and module 03, which answers 300 ms late; stays
// silent for any other address.
void Module01(int master, const std::atomic<bool>& stop) {
    std::string line;
    while (!stop) {
        pollfd pfd{master, POLLIN, 0};
        if (poll(&pfd, 1, 20) <= 0)
            continue;
        char c = 0;
        while (read(master, &c, 1) == 1) {
            line += c;
            if (c != '\r')
                continue;
            if (line == "#03\r")
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if ((line == "#01\r" || line == "#03\r") && write(master, "!01+001.00\r", 11) != 11)
                std::abort();
            line.clear();
        }
    }
}

double TimedExchange() {
    char reply[UART_REPLY_MAX];
    const auto start = Clock::now();
    if (ExchangeCommand(kPort, "#01", reply, 500, 0, nullptr) != UART_OK)
        std::abort();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return 1;
    setenv(("TEV_COM" + std::to_string(kPort)).c_str(), ptsname(master), 1);
    std::atomic<bool> stop{false};
    std::thread device(Module01, master, std::cref(stop));
    std::printf("exchange with a module that answers at once (pseudo-terminal, %d runs, median ms)\n", runs);
    std::printf("%8s %10s %12s %28s %22s\n", "bit/s", "timeout", "after clean", "after a timed-out exchange",
                "the same, learned");
    for (std::uint32_t baud : {9600u, 115200u}) {
        for (std::uint16_t timeout : {5, 100, 500}) {
            // Opened afresh: nothing learned yet.
            if (OpenLink(kPort, baud, 8, UART_PARITY_NONE, 0) != UART_OK)
                return 2;
            std::vector<double> clean, unsettled, learned;
            char reply[UART_REPLY_MAX];
            for (int i = 0; i < runs; ++i) {
                TimedExchange();
                clean.push_back(TimedExchange());
                ExchangeCommand(kPort, "#02", reply, timeout, 0, nullptr); // nobody answers
                unsettled.push_back(TimedExchange());
            }
            // Module 03 answers 300 ms late after a 100 ms timeout, and the port learns it.
            for (int i = 0; i < std::min(runs, 5); ++i) {
                ExchangeCommand(kPort, "#03", reply, 100, 0, nullptr);
                TimedExchange();
                ExchangeCommand(kPort, "#02", reply, timeout, 0, nullptr);
                learned.push_back(TimedExchange());
            }
            std::printf("%8u %7u ms %12.2f %28.2f %22.2f\n", baud, timeout, Median(clean), Median(unsettled),
                        Median(learned));
            CloseLink(kPort);
        }
    }
    CloseLink(kPort);
    stop = true;
    device.join();
    return 0;
}
