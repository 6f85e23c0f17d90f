#include "tev/link/serial_client.hpp"

#include <chrono>

#include "tev/link/serial_link.hpp"

namespace tev::link {
namespace {

using Clock = std::chrono::steady_clock;

ExchangeError ReceiveError(std::uint16_t status) noexcept {
    switch (status) {
    case UART_OK:
        return ExchangeError::None;
    case UART_NOT_OPEN:
        return ExchangeError::NotOpen;
    case UART_CANCELLED:
        return ExchangeError::Cancelled;
    case UART_LINE_ERROR:
        return ExchangeError::BadFrame; // a byte damaged on the line: never judged as a reply
    default:
        return ExchangeError::Timeout;
    }
}

ExchangeError SendError(std::uint16_t status) noexcept {
    switch (status) {
    case UART_NOT_OPEN:
        return ExchangeError::NotOpen;
    case UART_CANCELLED:
        return ExchangeError::Cancelled;
    default:
        return ExchangeError::WriteFailed;
    }
}

} // namespace

SerialClient::~SerialClient() {
    close();
}

std::uint16_t SerialClient::open(const SerialSettings& settings) {
    if (m_open && settings == m_settings)
        return UART_OK;
    if (m_open && settings.port != m_settings.port)
        close();
    m_settings = settings;
    // Opening an open port reconfigures it; a failed reconfigure leaves it closed.
    const std::uint16_t status =
        OpenLink(settings.port, settings.baud, settings.dataBits, settings.parity, settings.stopBits);
    m_open = status == UART_OK;
    m_lost = m_lost && !m_open;
    m_cancelPort = m_open ? settings.port : 0;
    m_openFailure = m_open ? std::string() : OpenFailureText(settings.port);
    return status;
}

void SerialClient::close() {
    m_lost = false;
    if (!m_open)
        return;
    m_cancelPort = 0;
    CloseLink(m_settings.port);
    m_open = false;
}

void SerialClient::loseSession() {
    close();
    m_lost = true;
}

ExchangeResult SerialClient::exchange(std::span<const std::uint8_t> request, std::uint16_t timeoutMs,
                                      std::uint16_t maxCount, UartFrameRule rule, void* context) {
    ExchangeResult result;
    if (!m_open && m_lost)
        open(m_settings); // the device went away: it may be back under its name
    if (!m_open) {
        result.error = ExchangeError::NotOpen;
        return result;
    }
    if (request.size() > UINT16_MAX) {
        result.error = ExchangeError::WriteFailed;
        return result;
    }
    m_cancelled = false;
    const auto start = Clock::now();
    const std::uint16_t sent =
        SendBytes(m_settings.port, request.data(), static_cast<std::uint16_t>(request.size()));
    if (sent != UART_OK || m_cancelled) {
        result.error = m_cancelled ? ExchangeError::Cancelled : SendError(sent);
        // A hung-up or vanished device fails every write on the descriptor held: drop it, so the
        // next exchange opens the device afresh (a restarted simulator, a re-plugged adapter).
        if (sent == UART_WRITE_ERROR || sent == UART_NOT_OPEN)
            loseSession();
        return result;
    }
    result.reply.assign(maxCount > 0 ? maxCount : 1, 0); // never hand uart an empty buffer
    std::uint16_t received = 0;
    const std::uint16_t status =
        ReceiveFrame(m_settings.port, result.reply.data(), timeoutMs, maxCount, &received, rule, context);
    result.elapsedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    result.reply.resize(received <= maxCount ? received : maxCount);
    result.error = ReceiveError(status);
    // A network gateway that dropped the connection has closed the port: the next exchange
    // connects afresh.
    if (status == UART_NOT_OPEN)
        loseSession();
    return result;
}

void SerialClient::cancel() noexcept {
    // The flag catches a cancel between the send and the receive, which UartCancel alone would miss.
    m_cancelled = true;
    if (const std::uint8_t port = m_cancelPort)
        UartCancel(port);
}

void SerialClient::settle() noexcept {
    if (const std::uint8_t port = m_cancelPort)
        UartSettle(port);
}

} // namespace tev::link
