// The byte trace: with TEV_TRACE=1 (uart_trace_tests) every frame is written to stderr; without it
// (uart_tests) nothing is.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "pty_pair.hpp"
#include <tev/uart.hpp>

namespace {

constexpr std::uint8_t kPort = 85;

// What the library writes to stderr while `run` runs.
template <class F> std::string StderrOf(F run) {
    std::fflush(stderr);
    std::FILE* file = std::tmpfile();
    const int saved = dup(STDERR_FILENO);
    dup2(fileno(file), STDERR_FILENO);
    run();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::rewind(file);
    std::string text;
    char chunk[512];
    while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, file))
        text.append(chunk, n);
    std::fclose(file);
    return text;
}

TEST(Trace, EveryFrameWithTimeDevicePortDirectionAndBytes) {
    const char* flag = std::getenv("TEV_TRACE");
    const bool on = flag && std::strcmp(flag, "1") == 0;
    PtyPair pty(kPort);
    const std::string text = StderrOf([&] {
        ASSERT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_OK) << uart::OpenError(kPort);
        std::thread device([&] {
            pty.read(5);
            pty.write(std::string("!01400600\r"));
        });
        char reply[UART_REPLY_MAX];
        EXPECT_EQ(ExchangeCommand(kPort, "$012", reply, 1000, 0, nullptr), UART_OK);
        device.join();
        const std::uint8_t request[] = {0x10, 0x5B, 0xFE};
        EXPECT_EQ(SendBytes(kPort, request, sizeof request), UART_OK);
        std::uint8_t buf[8];
        EXPECT_EQ(ReceiveBytes(kPort, buf, 20, sizeof buf, nullptr), UART_TIMEOUT);
        CloseLink(kPort);
    });
    if (!on) {
        EXPECT_EQ(text, "");
        return;
    }
    const std::string lead = R"(\d\d:\d\d:\d\d\.\d\d\d uart COM85 )" + pty.path() + " ";
    const std::string expected[] = {
        lead + R"(-> 24 30 31 32 0D "\$012\\r")",
        lead + R"(<- 21 30 31 34 30 30 36 30 30 0D "!01400600\\r")",
        lead + "-> 10 5B FE",
        lead + R"(<- \(timeout\))",
    };
    std::istringstream lines(text);
    std::string line;
    for (const std::string& pattern : expected) {
        ASSERT_TRUE(std::getline(lines, line)) << text;
        EXPECT_TRUE(std::regex_match(line, std::regex(pattern))) << line << "\n  vs " << pattern;
    }
    EXPECT_FALSE(std::getline(lines, line)) << line;
}

} // namespace
