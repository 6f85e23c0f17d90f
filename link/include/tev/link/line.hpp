// A line to the devices: what every routine that talks needs of it. Open with serial settings, send a
// request and receive a frame by rule, cancel from another thread. SerialClient carries it over uart;
// a test may carry it over a script. The Modbus exchange (request check, matched receive, reply
// judgement) is one for every line.
#pragma once

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

class Line {
  public:
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    virtual ~Line() = default;

    // Opens the line with these settings; a line already open with the same settings is kept as it
    // is, other settings reopen it. Returns the uart status (0 = open); openFailure() says why not.
    virtual std::uint16_t open(const SerialSettings& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const noexcept = 0;
    // "COM3 (/dev/pts/4): 权限不够 ..." for the last failed open; empty after a successful one.
    virtual std::string openFailure() const = 0;

    // Any frame: sends request and receives at most maxCount bytes, ending when rule (may be null: a
    // silence ends it) reports a complete frame; the reply then holds that frame only. Error none
    // when a frame (or, without a rule, any byte) arrived; Timeout with all bytes received when not.
    virtual ExchangeResult exchange(std::span<const std::uint8_t> request, std::uint16_t timeoutMs,
                                    std::uint16_t maxCount, UartFrameRule rule = nullptr,
                                    void* context = nullptr) = 0;

    // Wakes a send or receive under way at once (from any thread): it ends with
    // ExchangeError::Cancelled. The line stays open and the next exchange runs normally.
    virtual void cancel() noexcept = 0;

    // The receive just ended heard nothing, so nothing of it can still be on its way: the next send
    // need not wait for the line to be quiet first. Does nothing on a line that never waits.
    virtual void settle() noexcept {}

    // Modbus RTU: sends request (address, function, ..., CRC), receives until the CRC-valid reply of
    // the addressed slave to that function is in (ModbusMatchedReplyRule), and checks it with
    // CheckModbusReply (address, function, byte count or echo, CRC). An exception reply gives
    // ExchangeError::Exception. Receives at most kModbusReplyMax bytes. A request other than a 0x03,
    // 0x04, 0x06 or 0x10 request of at least 6 bytes is not sent (writeFailed).
    ExchangeResult modbus(std::span<const std::uint8_t> request, std::uint16_t timeoutMs);

  protected:
    Line() = default;
};

} // namespace tev::link
