// A minimal program-side port for the simulator tests: opens the slave end raw at a rate, writes a
// request and collects the reply until a silence or the timeout.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tev::sim::test {

class TestPort {
  public:
    TestPort(const std::string& path, speed_t speed) {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return;
        termios tio{};
        ::tcgetattr(m_fd, &tio);
        ::cfmakeraw(&tio);
        ::cfsetspeed(&tio, speed);
        ::tcsetattr(m_fd, TCSANOW, &tio);
    }
    ~TestPort() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TestPort(const TestPort&) = delete;
    TestPort& operator=(const TestPort&) = delete;

    bool ok() const { return m_fd >= 0; }

    bool send(const std::vector<std::uint8_t>& request) {
        ::tcflush(m_fd, TCIFLUSH);
        return ::write(m_fd, request.data(), request.size()) == static_cast<ssize_t>(request.size());
    }

    // Sends `request` and returns what arrives until `expected` bytes are in (when not 0),
    // `silenceMs` pass without a byte, or `timeoutMs` pass in all. Give `expected` when the reply
    // is known: a busy machine may pause the simulator longer than any silence.
    std::vector<std::uint8_t> exchange(const std::vector<std::uint8_t>& request, int timeoutMs = 2000,
                                       int silenceMs = 300, std::size_t expected = 0) {
        if (!send(request))
            return {};
        return receive(timeoutMs, silenceMs, expected);
    }

    std::vector<std::uint8_t> receive(int timeoutMs, int silenceMs, std::size_t expected = 0) {
        std::vector<std::uint8_t> reply;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            pollfd in{m_fd, POLLIN, 0};
            if (::poll(&in, 1, reply.empty() ? 20 : silenceMs) <= 0) {
                if (!reply.empty())
                    break;
                continue;
            }
            std::uint8_t chunk[256];
            const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
            if (n > 0)
                reply.insert(reply.end(), chunk, chunk + n);
            if (reply.size() > 4096 || (expected != 0 && reply.size() >= expected))
                break;
        }
        return reply;
    }

  private:
    int m_fd = -1;
};

inline std::vector<std::uint8_t> BytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace tev::sim::test
