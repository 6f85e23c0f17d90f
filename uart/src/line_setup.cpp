#include "line_setup.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <tev/uart.h>

namespace uart::detail {
namespace {

struct Rate {
    std::uint32_t baud;
    speed_t code;
};

constexpr Rate kRates[] = {
    {50, B50},         {75, B75},         {110, B110},         {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},         {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},       {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},   {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000},
};

speed_t SpeedCode(std::uint32_t baud) {
    for (const Rate& r : kRates)
        if (r.baud == baud)
            return r.code;
    return B0;
}

std::string DescribeOpenError(int err) {
    std::string text = std::strerror(err);
    if (err == EACCES || err == EPERM)
        text += " (add the user to the dialout group: sudo adduser $USER dialout, then log in again)";
    else if (err == EBUSY)
        text += " (another program holds the port)";
    else if (err == ENOENT || err == ENXIO || err == ENODEV)
        text += " (no such serial device: check the adapter or TEV_COM<N>)";
    return text;
}

void ApplySettings(termios& tio, const LineSettings& s, bool withParity) {
    cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP | ICRNL | INLCR | IGNCR |
                                          IUCLC | IGNPAR);
    // A byte received with a framing (or, with parity set, a parity) error comes marked: 0xFF 0x00
    // before it, and a good 0xFF doubled. Receiving takes the marks off and fails the call, so a
    // damaged byte never passes as 0x00.
    tio.c_iflag |= IGNBRK | INPCK | PARMRK;
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    // CMSPAR left behind by another program would turn even/odd into space/mark parity.
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    if (withParity && s.parity != 0) {
        // A frame sent at another parity fails instead of passing as a good one (even and odd frames
        // are the same length).
        tio.c_cflag |= PARENB | (s.parity == 2 ? PARODD : 0);
    }
    if (s.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, SpeedCode(s.baud));
    cfsetospeed(&tio, SpeedCode(s.baud));
}

} // namespace

bool SupportedRate(std::uint32_t baud) {
    return SpeedCode(baud) != B0;
}

bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned maj = major(st.st_rdev);
    return maj >= 136 && maj <= 143; // UNIX98 pseudo-terminal slaves
}

int OpenDevice(const std::string& path, SetupResult& result) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result = {UART_PORT_ERROR, path + ": " + DescribeOpenError(errno)};
        return -1;
    }
    if (!isatty(fd)) {
        ::close(fd);
        result = {UART_PORT_ERROR, path + ": not a serial device"};
        return -1;
    }
    // The exclusive flag does not stop a privileged user; the advisory lock stops every program
    // that takes it too, this library in another process or on another port number included.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        result = {UART_PORT_ERROR, path + ": " + DescribeOpenError(err)};
        return -1;
    }
    // On a pseudo-terminal the flag would outlive a program killed while holding it, for as long as
    // the other end stays open; the lock, which the kernel drops with the program, keeps ours apart.
    if (!IsPseudoTerminal(fd) && ioctl(fd, TIOCEXCL) != 0) {
        const int err = errno;
        CloseDevice(fd);
        result = {UART_PORT_ERROR, path + ": " + DescribeOpenError(err)};
        return -1;
    }
    return fd;
}

void CloseDevice(int fd) {
    ioctl(fd, TIOCNXCL);
    ::close(fd); // releases the lock
}

SetupResult ConfigureLine(int fd, const LineSettings& s) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return {UART_PORT_ERROR, std::string("reading line settings: ") + std::strerror(errno)};
    const bool pty = IsPseudoTerminal(fd);
    ApplySettings(tio, s, true);
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        // A pseudo-terminal has no parity: the kernel drops PARENB and glibc may then report
        // EINVAL. Parity means nothing there, so set the rest without it.
        const int err = errno;
        ApplySettings(tio, s, false);
        if (!pty || tcsetattr(fd, TCSANOW, &tio) != 0)
            return {UART_PORT_ERROR, std::string("setting line parameters: ") + std::strerror(err)};
    }
    termios now{};
    if (tcgetattr(fd, &now) != 0)
        return {UART_PORT_ERROR, std::string("reading line settings: ") + std::strerror(errno)};
    if (cfgetospeed(&now) != SpeedCode(s.baud))
        return {UART_BAUD_ERROR, "the device does not take " + std::to_string(s.baud) + " bit/s"};
    const bool wantParity = s.parity != 0;
    if (!pty && (((now.c_cflag & PARENB) != 0) != wantParity || (now.c_cflag & CMSPAR) != 0 ||
                 (wantParity && ((now.c_cflag & PARODD) != 0) != (s.parity == 2))))
        return {UART_PARITY_ERROR, "the device does not take this parity"};
    tcflush(fd, TCIOFLUSH);
    SetupResult done;
    done.marked = (now.c_iflag & PARMRK) != 0 && (now.c_iflag & (ISTRIP | IGNPAR)) == 0;
    return done;
}

std::uint32_t CharacterMicros(const LineSettings& s) {
    const std::uint32_t bits = 1 + 8 + (s.parity != 0 ? 1 : 0) + (s.stopBits == 2 ? 2 : 1);
    return s.baud == 0 ? 0 : static_cast<std::uint32_t>((bits * 1000000ull + s.baud - 1) / s.baud);
}

} // namespace uart::detail
