#include "fake_line.hpp"

#include <algorithm>
#include <cstring>

#include "line.hpp"
#include <tev/uart.h>

namespace tev::iomodule {
namespace {

using testing::FakeLine;

std::uint16_t FakeExchange(std::uint8_t port, const char* command, char* reply, std::uint16_t timeout,
                           std::uint16_t checksum, std::uint16_t* length) {
    FakeLine& fake = FakeLine::instance();
    fake.sent.push_back({port, command, timeout, checksum, true});
    reply[0] = '\0';
    if (fake.answers.empty())
        return UART_TIMEOUT;
    const testing::Answer a = fake.answers.front();
    fake.answers.pop_front();
    const std::size_t n = std::min<std::size_t>(a.reply.size(), UART_REPLY_MAX - 1);
    std::memcpy(reply, a.reply.data(), n);
    reply[n] = '\0';
    if (length)
        *length = static_cast<std::uint16_t>(n);
    return a.status;
}

std::uint16_t FakeSend(std::uint8_t port, const char* command, std::uint16_t checksum) {
    FakeLine& fake = FakeLine::instance();
    fake.sent.push_back({port, command, 0, checksum, false});
    return fake.sendStatus;
}

} // namespace

const Line& BoundLine() noexcept {
    static const Line fake{&FakeExchange, &FakeSend};
    return fake;
}

namespace testing {

FakeLine& FakeLine::instance() {
    static FakeLine line;
    return line;
}

std::vector<std::string> FakeLine::commands() const {
    std::vector<std::string> out;
    for (const Sent& s : sent)
        out.push_back(s.command);
    return out;
}

} // namespace testing
} // namespace tev::iomodule
