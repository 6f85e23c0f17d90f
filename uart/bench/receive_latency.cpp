// Measures how long a receive goes on after the last byte of a complete frame has arrived:
// with a frame rule (ends at once) and without one (ends after the silence gap).
// Usage: uart-receive-latency [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <tev/uart.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint8_t kPort = 200;

std::size_t EightBytes(const std::uint8_t*, std::size_t length, void*) {
    return length >= 8 ? 8 : 0;
}

// Microseconds from the device's write of the frame to the end of the receive.
double Once(int master, UartFrameRule rule) {
    const std::uint8_t frame[8] = {1, 3, 2, 0, 7, 0xF9, 0x86, 0};
    Clock::time_point written;
    std::thread device([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        written = Clock::now();
        if (write(master, frame, sizeof frame) != static_cast<ssize_t>(sizeof frame))
            std::abort();
    });
    std::uint8_t buf[64];
    std::uint16_t count = 0;
    ReceiveFrame(kPort, buf, 1000, sizeof buf, &count, rule, nullptr);
    const auto done = Clock::now();
    device.join();
    return std::chrono::duration<double, std::micro>(done - written).count();
}

void Report(const char* name, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::printf("%-28s median %9.1f us   p95 %9.1f us   max %9.1f us\n", name, v[v.size() / 2],
                v[v.size() * 95 / 100], v.back());
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 100;
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return 1;
    setenv(("TEV_COM" + std::to_string(kPort)).c_str(), ptsname(master), 1);
    for (std::uint32_t baud : {9600u, 115200u}) {
        if (OpenLink(kPort, baud, 8, UART_PARITY_NONE, 0) != UART_OK)
            return 2;
        std::vector<double> withRule, withoutRule;
        for (int i = 0; i < runs; ++i) {
            withRule.push_back(Once(master, EightBytes));
            withoutRule.push_back(Once(master, nullptr));
        }
        std::printf("at %u bit/s (pseudo-terminal, %d runs): extra time after the last byte\n", baud, runs);
        Report("  complete frame (rule)", withRule);
        Report("  no rule (silence gap)", withoutRule);
    }
    CloseLink(kPort);
    return 0;
}
