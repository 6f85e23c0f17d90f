// Who holds a device: exclusive use while open, nothing left behind after a close, a second
// opener refused as busy, a hung-up line replaced in one open.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "pty_pair.hpp"
#include <tev/uart.hpp>

namespace {

constexpr std::uint8_t kPort = 70;
constexpr std::uint8_t kOtherPort = 71;

int OpenDevice(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

TEST(Ownership, ClosingLeavesTheDeviceFreeForAnyUser) {
    PtyPair pty(kPort);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_OK) << uart::OpenError(kPort);
        ASSERT_EQ(CloseLink(kPort), UART_OK);
        // The other end stays open, so the device keeps its state: an exclusive flag left set would
        // refuse every later open by a user without privileges.
        const int fd = OpenDevice(pty.path());
        ASSERT_GE(fd, 0) << std::strerror(errno);
        int exclusive = -1;
        EXPECT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 0);
        EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "the lock must go with the close";
        ::close(fd);
    }
}

// Runs fn in a child process and returns its exit status (-1 if it did not exit).
template <class Fn> int InChild(Fn fn) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(fn());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Ownership, AKilledHolderLeavesAPseudoTerminalFreeForAnyUser) {
    for (const int signal : {SIGKILL, SIGTERM}) {
        PtyPair pty(kPort);
        chmod(pty.path().c_str(), 0666); // for the unprivileged opener below, when run as root
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t holder = fork();
        if (holder == 0) {
            const char opened = OpenLink(kPort, 9600, 8, 0, 0) == UART_OK ? 'y' : 'n';
            (void)!::write(ready[1], &opened, 1);
            pause(); // killed while holding the port, never closing it
            _exit(0);
        }
        char opened = 0;
        ASSERT_EQ(::read(ready[0], &opened, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
        kill(holder, signal);
        waitpid(holder, nullptr, 0);
        ASSERT_EQ(opened, 'y') << strsignal(signal);
        // The device side is still open, so the device keeps whatever flag the holder set.
        const int opener = InChild([] {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                return 2;
            return OpenLink(kPort, 9600, 8, 0, 0) == UART_OK ? 0 : 1;
        });
        EXPECT_EQ(opener, 0) << "reopen as an unprivileged user after " << strsignal(signal);
    }
}

TEST(Ownership, ASecondOpenerIsRefusedAsBusy) {
    PtyPair pty(kPort);
    setenv("TEV_COM71", pty.path().c_str(), 1);
    ASSERT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_OK) << uart::OpenError(kPort);
    // Refused whoever runs the test: root is not stopped by the exclusive flag, only by the lock.
    EXPECT_EQ(OpenLink(kOtherPort, 9600, 8, 0, 0), UART_PORT_ERROR);
    EXPECT_NE(uart::OpenError(kOtherPort).find("busy"), std::string::npos) << uart::OpenError(kOtherPort);
    CloseLink(kPort);
    EXPECT_EQ(OpenLink(kOtherPort, 9600, 8, 0, 0), UART_OK) << uart::OpenError(kOtherPort);
    CloseLink(kOtherPort);

    // Another program's lock on the device refuses the open the same way.
    const int fd = OpenDevice(pty.path());
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_PORT_ERROR);
    EXPECT_NE(uart::OpenError(kPort).find("busy"), std::string::npos) << uart::OpenError(kPort);
    ::close(fd);
    unsetenv("TEV_COM71");
}

TEST(Ownership, OneOpenRecoversFromAHangUp) {
    // The port names a link that is moved to a new device, as a re-plugged adapter keeps its name.
    char dir[] = "/tmp/tev-uart-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string link = std::string(dir) + "/com";
    PtyPair first(kPort);
    ASSERT_EQ(symlink(first.path().c_str(), link.c_str()), 0);
    setenv("TEV_COM70", link.c_str(), 1);
    ASSERT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_OK) << uart::OpenError(kPort);
    first.hangUp();

    PtyPair second(kOtherPort);
    ASSERT_EQ(unlink(link.c_str()), 0);
    ASSERT_EQ(symlink(second.path().c_str(), link.c_str()), 0);
    EXPECT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_OK) << uart::OpenError(kPort);
    const std::uint8_t b = 0x5A;
    EXPECT_EQ(SendBytes(kPort, &b, 1), UART_OK);
    EXPECT_EQ(second.read(1), std::vector<std::uint8_t>{0x5A});
    CloseLink(kPort);
    unlink(link.c_str());
    rmdir(dir);
}

} // namespace
