#include "transaction.hpp"

#include <cstring>

#include "line.hpp"
#include <tev/uart.h>

namespace tev::iomodule {
namespace {

// Command and reply buffer sizes (terminating zero included): the I-7000 functions have 100
// characters, the 8000 and 87K card functions 80. uart never hands back more than UART_REPLY_MAX.
constexpr std::size_t kI7000Buffer = 100;
constexpr std::size_t kCardBuffer = 80;
static_assert(UART_REPLY_MAX <= kCardBuffer && kI7000Buffer <= Command::kCapacity);

void CopyText(char* to, std::string_view text) noexcept {
    if (!to)
        return;
    if (!text.empty())
        std::memcpy(to, text.data(), text.size());
    to[text.size()] = '\0';
}

} // namespace

Transaction::Transaction(const Call& call) noexcept : m_call(call) {
    m_command.reset(capacity());
}

std::size_t Transaction::capacity() const noexcept {
    return m_call.family == Family::I7000 ? kI7000Buffer : kCardBuffer;
}

void Transaction::copyCommandTrace() const noexcept {
    CopyText(m_call.commandTrace, m_command.view());
}
void Transaction::copyReplyTrace() const noexcept {
    CopyText(m_call.replyTrace, m_reply.text());
}
void Transaction::clearReplyTrace() const noexcept {
    CopyText(m_call.replyTrace, {});
}

std::uint16_t Transaction::exchange(Trace trace) noexcept {
    const bool standard = trace == Trace::Standard;
    const bool traced = trace != Trace::Off && (standard ? m_call.traceFlag() == 1 : m_call.traceFlag() != 0);
    if (traced && standard) {
        copyCommandTrace();
        clearReplyTrace();
    }
    m_buffer.fill('\0');
    std::uint16_t replyLength = 0; // uart's count of the reply's characters
    const std::uint16_t status = BoundLine().exchange(m_call.port(), m_command.cStr(), m_buffer.data(),
                                                      m_call.timeout(), m_call.checksumFlag(), &replyLength);
    m_call.clearFloats(m_cleared);
    // Bound the reply to the family's buffer whatever the line wrote.
    m_buffer[capacity() - 1] = '\0';
    m_reply = Reply(std::string_view(m_buffer.data(), std::strlen(m_buffer.data())), m_call.checksum());
    const bool after = standard || trace == Trace::NonZeroAfterExchange || status == 0;
    if (traced && after) {
        if (!standard)
            copyCommandTrace();
        copyReplyTrace();
    }
    // A NUL inside the reply would cut its text short and pass a shortened number as valid.
    if (status == 0 && replyLength > m_reply.text().size())
        return TEV_MODULE_INVALID_REPLY;
    return status;
}

std::uint16_t Transaction::expect(char first, std::size_t length) const noexcept {
    if (m_reply.first() != first)
        return TEV_MODULE_INVALID_REPLY;
    if (length == kAnyLength)
        return TEV_MODULE_OK;
    const std::size_t expected = length + (m_call.checksum() ? 2 : 0);
    return m_reply.text().size() == expected ? TEV_MODULE_OK : TEV_MODULE_INVALID_REPLY;
}

std::uint16_t Transaction::run(char first, std::size_t length, Trace trace) noexcept {
    if (const std::uint16_t status = exchange(trace))
        return status;
    return expect(first, length);
}

std::uint16_t Transaction::send() noexcept {
    if (m_call.traceFlag() == 1) {
        copyCommandTrace();
        clearReplyTrace();
    }
    return BoundLine().send(m_call.port(), m_command.cStr(), m_call.checksumFlag());
}

} // namespace tev::iomodule
