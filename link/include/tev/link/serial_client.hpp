// A serial client for continuous use: keeps one port open while one user works on it (the probes of a
// search, a page's polls, a tool's exchanges) and does request -> frame rule -> reply check in one
// call, handing back the reply bytes it owns or a typed error. Not thread-safe: one client belongs to
// the one serial thread. Cancel() may be called from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tev/link/serial_settings.hpp"
#include <tev/uart.h>

namespace tev::link {

// Largest Modbus RTU reply modbus() receives (Modbus over Serial Line V1.02, 2.5.1).
inline constexpr std::uint16_t kModbusReplyMax = 256;

enum class ExchangeError {
    None,
    NotOpen,     // open() failed or was not called
    WriteFailed, // the request could not be written (or, for modbus(), is no request it can check)
    Timeout,     // nothing, or (exchange() with a rule) no complete frame, within the Timeout
    BadFrame,    // bytes arrived but hold no well-formed frame: CRC, cut short, noise before or after
    Mismatch,    // a frame that does not answer this request (other slave, function or byte count)
    Exception,   // a Modbus exception reply; exceptionCode holds its code
    Cancelled,   // cancel() woke the receive
};

// Short Chinese text of an error, for the message bar.
const char* ExchangeErrorText(ExchangeError error) noexcept;

struct ExchangeResult {
    ExchangeError error = ExchangeError::Timeout;
    std::uint8_t exceptionCode = 0;
    std::vector<std::uint8_t> reply; // the complete frame (all bytes received when there is none)
    std::vector<std::uint8_t> data;  // Modbus read: the register bytes; empty otherwise
    double elapsedMs = 0;            // from the start of the send to the end of the receive
    explicit operator bool() const noexcept { return error == ExchangeError::None; }
};

class SerialClient {
  public:
    SerialClient() = default;
    SerialClient(const SerialClient&) = delete;
    SerialClient& operator=(const SerialClient&) = delete;
    ~SerialClient(); // closes the port

    // Opens the port with these settings; a port already open with the same settings is kept as it
    // is, other settings reopen it. Returns the uart status (0 = open); openFailure() says why not.
    std::uint16_t open(const SerialSettings& settings);
    void close();
    bool isOpen() const noexcept { return m_open; }
    const SerialSettings& settings() const noexcept { return m_settings; }
    // "COM3 (/dev/pts/4): 权限不够 ..." for the last failed open; empty after a successful one.
    std::string openFailure() const { return m_openFailure; }

    // Modbus RTU: sends request (address, function, ..., CRC), receives until the CRC-valid reply of
    // the addressed slave to that function is in (ModbusMatchedReplyRule), and checks it with
    // CheckModbusReply (address, function, byte count or echo, CRC). An exception reply gives
    // ExchangeError::Exception. Receives at most kModbusReplyMax bytes. A request other than a 0x03,
    // 0x04, 0x06 or 0x10 request of at least 6 bytes is not sent (writeFailed).
    ExchangeResult modbus(std::span<const std::uint8_t> request, std::uint16_t timeoutMs);

    // Any other frame: sends request and receives at most maxCount bytes, ending when rule (may be
    // null: a silence ends it) reports a complete frame. Error none when a frame (or, without a rule,
    // any byte) arrived.
    ExchangeResult exchange(std::span<const std::uint8_t> request, std::uint16_t timeoutMs,
                            std::uint16_t maxCount, UartFrameRule rule = nullptr, void* context = nullptr);

    // Wakes a send or receive under way on this client's port at once (from any thread): it ends with
    // ExchangeError::Cancelled. The port stays open and the next exchange runs normally.
    void cancel() noexcept;

  private:
    SerialSettings m_settings{};
    bool m_open = false;
    std::string m_openFailure;
    std::atomic<std::uint8_t> m_cancelPort{0}; // the open port, for cancel(); 0 while closed
    std::atomic<bool> m_cancelled{false};      // cancel() was called during the current exchange
};

} // namespace tev::link
