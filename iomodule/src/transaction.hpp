// The command transaction every command function runs: trace copies, the exchange over the line,
// the checks of the reply's first character and exact length, and bounded access to its fields.
//
// A command function reads as:
//     Transaction t(call);
//     t.begin('#').digit(channel);              // "#AAN"
//     if (auto rc = t.run('>', kAnyLength)) return rc;
//     ... parse t.reply() ...
// Model and argument checks come before begin(), so a refused call sends nothing and leaves the
// trace buffers untouched.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>

#include "command.hpp"
#include "reply.hpp"
#include "slots.hpp"

namespace tev::iomodule {

// For expect() and run(): the reply's length is not checked.
inline constexpr std::size_t kAnyLength = static_cast<std::size_t>(-1);

// When the trace buffers receive their copies.
enum class Trace : std::uint8_t {
    // Trace flag 1: command copied and reply trace emptied before the exchange; the reply (whatever
    // the exchange returned) copied after it.
    Standard,
    // Trace flag non-zero: command and reply copied after an exchange that returned 0.
    NonZeroAfterSuccess,
    // Trace flag non-zero: command and reply copied after the exchange, whatever it returned.
    NonZeroAfterExchange,
    // No copies: for functions that make their own (copyCommandTrace() ...).
    Off,
};

class Transaction {
  public:
    explicit Transaction(const Call& call) noexcept;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    const Call& call() const noexcept { return m_call; }

    // Starts a new command: the lead character and the module address.
    Command& begin(char lead) noexcept { return m_command.begin(lead, m_call.address()); }
    // The command being built (for commands that do not start with the address, such as "~**").
    Command& command() noexcept { return m_command; }

    // Float slots 0 ... count - 1 are set to 0.0 as soon as the exchange has returned, whatever its
    // outcome, so that a failed reading leaves 0.0 there (no float block: nothing is cleared).
    Transaction& clearing(std::size_t count) noexcept {
        m_cleared = count;
        return *this;
    }

    // Trace copies and the exchange. Returns the line's status: 0 when a reply is in hand.
    std::uint16_t exchange(Trace trace = Trace::Standard) noexcept;
    // TEV_MODULE_INVALID_REPLY unless the reply starts with `first` and, unless length is kAnyLength,
    // has exactly `length` characters (2 more with the checksum flag on); else 0.
    std::uint16_t expect(char first, std::size_t length) const noexcept;
    // exchange() then expect(): the first non-zero code, or 0.
    std::uint16_t run(char first, std::size_t length, Trace trace = Trace::Standard) noexcept;
    // Sends the command without waiting for a reply (trace: command copied, reply trace emptied).
    std::uint16_t send() noexcept;

    const Reply& reply() const noexcept { return m_reply; }

    // Raw trace copies, for functions whose trace rules are their own.
    void copyCommandTrace() const noexcept;
    void copyReplyTrace() const noexcept;
    void clearReplyTrace() const noexcept;

  private:
    std::size_t capacity() const noexcept;

    const Call& m_call;
    Command m_command;
    std::array<char, Command::kCapacity> m_buffer{};
    Reply m_reply;
    std::size_t m_cleared = 0;
};

// One result read from a reply: its slot and its value, or nothing when the field was invalid.
struct SlotValue {
    std::size_t slot = 0;
    std::optional<std::uint32_t> value;
};

// Stores every value in its slot when all of them were read; else stores none and answers
// TEV_MODULE_INVALID_REPLY.
inline std::uint16_t SetSlots(const Call& call, std::initializer_list<SlotValue> values) noexcept {
    for (const SlotValue& v : values)
        if (!v.value)
            return TEV_MODULE_INVALID_REPLY;
    for (const SlotValue& v : values)
        call.slots.set(v.slot, *v.value);
    return TEV_MODULE_OK;
}

// The same for float slot 0 ... n - 1 of the float block.
inline std::uint16_t SetFloats(const Call& call,
                               std::initializer_list<std::optional<double>> values) noexcept {
    for (const auto& v : values)
        if (!v)
            return TEV_MODULE_INVALID_REPLY;
    std::size_t i = 0;
    for (const auto& v : values)
        call.setFloat(i++, *v);
    return TEV_MODULE_OK;
}

} // namespace tev::iomodule
