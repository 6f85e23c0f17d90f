// A pseudo-terminal pair for tests: the master side plays the device, the slave side is what
// the library opens through TEV_COM<N>.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

class PtyPair {
  public:
    explicit PtyPair(std::uint8_t port) : m_port(port) {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        m_path = ptsname(m_master);
        setenv(("TEV_COM" + std::to_string(port)).c_str(), m_path.c_str(), 1);
    }
    ~PtyPair() {
        unsetenv(("TEV_COM" + std::to_string(m_port)).c_str());
        hangUp();
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& path() const { return m_path; }

    // Closes the device side, as when a device goes away: the library's end sees a hang-up.
    void hangUp() {
        if (m_master >= 0)
            close(m_master);
        m_master = -1;
    }
    int master() const { return m_master; }

    void write(const std::vector<std::uint8_t>& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else
                waitFor(POLLOUT, 1000);
        }
    }
    void write(const std::string& text) const { write(std::vector<std::uint8_t>(text.begin(), text.end())); }

    // Reads what the library sent, until `count` bytes are there or `timeoutMs` passed.
    std::vector<std::uint8_t> read(std::size_t count, int timeoutMs = 2000) const {
        std::vector<std::uint8_t> out;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out.size() < count && std::chrono::steady_clock::now() < deadline) {
            std::uint8_t buf[256];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0)
                out.insert(out.end(), buf, buf + n);
            else
                waitFor(POLLIN, 10);
        }
        return out;
    }

    // The rate the library set on the slave side, as the master sees it.
    speed_t rate() const {
        termios tio{};
        tcgetattr(m_master, &tio);
        return cfgetospeed(&tio);
    }

  private:
    void waitFor(short events, int ms) const {
        pollfd pfd{m_master, events, 0};
        poll(&pfd, 1, ms);
    }

    std::uint8_t m_port;
    int m_master = -1;
    std::string m_path;
};
