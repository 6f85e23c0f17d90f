// The program's adapter over the uart serial link: open with SerialSettings, one request/reply exchange.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tev/link/serial_settings.hpp"
#include <tev/uart.h>

namespace tev::link {

inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 16;

// "COM<n>".
std::string PortName(int port);
// The Linux device that port n means (TEV_COM<n>, the ports file, else /dev/ttyS<n-1>).
std::string PortDevice(int port);
// Why the last open of port n failed, with the port and its device: "COM3 (/dev/pts/4): Permission
// denied"; only the port and its device when no reason is known.
std::string OpenFailureText(int port);

class SerialLink {
  public:
    // Opens and configures the port; returns the uart status (0 = open).
    std::uint16_t open(const SerialSettings& settings);
    // Closes the port opened last; closing a closed port does nothing.
    void close();
    // Why the last open failed, with the port and its device: "COM3 (/dev/pts/4): Permission denied".
    std::string openFailure() const;

    // Sends the request and receives at most maxCount bytes within timeoutMs. With a frame rule the
    // receive ends as soon as the rule sees a complete frame. Returns the bytes received (none on
    // silence or on a line error).
    std::vector<std::uint8_t> exchange(std::span<const std::uint8_t> request, std::uint16_t timeoutMs,
                                       std::uint16_t maxCount, UartFrameRule rule = nullptr,
                                       void* context = nullptr);

    std::uint8_t port() const { return m_port; }

  private:
    std::uint8_t m_port = 1;
};

} // namespace tev::link
