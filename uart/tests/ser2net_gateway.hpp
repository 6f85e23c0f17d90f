// ser2net (a network serial gateway) as a test's own child process on a free loopback port, in
// front of a device; configured in a scratch folder, stopped when the object goes.
#pragma once

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tev::testing {

inline std::uint16_t FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

inline bool Listening(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

class Ser2net {
  public:
    // rfc2217: a Telnet accepter with port control, else a raw one. port 0: a free one.
    Ser2net(const std::string& device, bool rfc2217, std::uint16_t port = 0, std::uint32_t baud = 9600)
        : m_port(port != 0 ? port : FreeLoopbackPort()) {
        char folder[] = "/tmp/tev-ser2net-XXXXXX";
        m_folder = ::mkdtemp(folder);
        const std::string config = m_folder + "/ser2net.yaml";
        std::ofstream(config) << "connection: &line\n"
                              << "  accepter: " << (rfc2217 ? "telnet(rfc2217),tcp," : "tcp,") << "127.0.0.1,"
                              << m_port << "\n"
                              << "  connector: serialdev," << device << "," << baud << "n81,local\n"
                              << "  options:\n    kickolduser: false\n    chardelay: false\n";
        m_pid = ::fork();
        if (m_pid == 0) {
            ::execlp("ser2net", "ser2net", "-n", "-u", "-c", config.c_str(), "-P",
                     (m_folder + "/pid").c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 100 && !Listening(m_port); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        // The probe connection above is still being closed on the gateway's side.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~Ser2net() {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        std::system(("rm -rf " + m_folder).c_str());
    }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;
    std::uint16_t port() const { return m_port; }

  private:
    std::uint16_t m_port;
    std::string m_folder;
    pid_t m_pid = -1;
};

inline bool HaveSer2net() {
    return std::system("command -v ser2net >/dev/null") == 0;
}

} // namespace tev::testing
