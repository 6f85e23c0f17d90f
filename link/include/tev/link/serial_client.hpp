// The line over uart, for continuous use: keeps one port open while one user works on it (the probes
// of a search, a page's polls, a tool's exchanges) and does request -> frame rule -> reply check in
// one call, handing back the reply bytes it owns or a typed error. Not thread-safe: one client
// belongs to the one serial thread. Cancel() may be called from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

#include "tev/link/line.hpp"
#include "tev/link/serial_settings.hpp"
#include <tev/uart.h>

namespace tev::link {

class SerialClient : public Line {
  public:
    SerialClient() = default;
    ~SerialClient() override; // closes the port

    // Opens the port with these settings; a port already open with the same settings is kept as it
    // is, other settings reopen it. Returns the uart status (0 = open); openFailure() says why not.
    // A write that fails on the open port (the device hung up or went away) closes it, and the next
    // exchange, or open(), opens it afresh with the same settings, until it opens again or close().
    std::uint16_t open(const SerialSettings& settings) override;
    void close() override;
    bool isOpen() const noexcept override { return m_open; }
    const SerialSettings& settings() const noexcept { return m_settings; }
    // "COM3 (/dev/pts/4): 权限不够 ..." for the last failed open; empty after a successful one.
    std::string openFailure() const override { return m_openFailure; }

    // Any other frame: sends request and receives at most maxCount bytes, ending when rule (may be
    // null: a silence ends it) reports a complete frame. Error none when a frame (or, without a rule,
    // any byte) arrived.
    ExchangeResult exchange(std::span<const std::uint8_t> request, std::uint16_t timeoutMs,
                            std::uint16_t maxCount, UartFrameRule rule = nullptr,
                            void* context = nullptr) override;

    // Wakes a send or receive under way on this client's port at once (from any thread): it ends with
    // ExchangeError::Cancelled. The port stays open and the next exchange runs normally.
    void cancel() noexcept override;
    // UartSettle on the open port.
    void settle() noexcept override;

  private:
    void loseSession();

    SerialSettings m_settings{};
    bool m_open = false;
    bool m_lost = false; // closed by a failed write: the next exchange reopens
    std::string m_openFailure;
    std::atomic<std::uint8_t> m_cancelPort{0}; // the open port, for cancel(); 0 while closed
    std::atomic<bool> m_cancelled{false};      // cancel() was called during the current exchange
};

} // namespace tev::link
