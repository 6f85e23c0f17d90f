#include "serial_fd.hpp"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace tev::sim::detail {
namespace {

struct Rate {
    speed_t speed;
    std::uint32_t baud;
};
constexpr Rate kRates[] = {{B300, 300},      {B600, 600},       {B1200, 1200},     {B2400, 2400},
                           {B4800, 4800},    {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
                           {B57600, 57600},  {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
                           {B921600, 921600}};

[[noreturn]] void Fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

} // namespace

std::uint32_t BaudOf(speed_t speed) {
    for (const auto& rate : kRates)
        if (rate.speed == speed)
            return rate.baud;
    return 0;
}

speed_t SpeedOf(std::uint32_t baud) {
    for (const auto& rate : kRates)
        if (rate.baud == baud)
            return rate.speed;
    return B0;
}

int OpenPseudoTerminal(std::string& slavePath) {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        Fail("posix_openpt");
    char name[128] = {};
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
        const int saved = errno;
        ::close(fd);
        throw std::system_error(saved, std::generic_category(), "pseudo-terminal set-up");
    }
    // Raw from the start, so a program that opens the slave without configuring it sees no echo.
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetspeed(&tio, B9600);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    slavePath = name;
    return fd;
}

int OpenRealDevice(const std::string& path, std::uint32_t baud, int parity) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        Fail(path.c_str());
    termios tio{};
    const speed_t speed = SpeedOf(baud);
    if (speed == B0 || ::tcgetattr(fd, &tio) != 0) {
        ::close(fd);
        throw std::system_error(EINVAL, std::generic_category(), "serial settings of " + path);
    }
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, speed);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(PARENB | PARODD | CSTOPB | CRTSCTS);
    if (parity == 1)
        tio.c_cflag |= PARENB;
    if (parity == 2)
        tio.c_cflag |= PARENB | PARODD;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        const int saved = errno;
        ::close(fd);
        throw std::system_error(saved, std::generic_category(), path);
    }
    return fd;
}

void WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    int stalls = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return; // the other end is gone: the reply is lost, as on a wire
        if (++stalls > 50)
            return;
        pollfd out{fd, POLLOUT, 0};
        ::poll(&out, 1, 10);
    }
}

} // namespace tev::sim::detail
