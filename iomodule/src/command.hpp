// Builder of one ASCII command text, bounded to the family's command buffer.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace tev::iomodule {

// Upper-case hex digit of the low four bits of v.
constexpr char HexDigit(std::uint32_t v) noexcept {
    return "0123456789ABCDEF"[v & 0xFu];
}

class Command {
  public:
    static constexpr std::size_t kCapacity = 100;

    // Empties the text; `capacity` (terminating zero included) is the family's buffer size.
    void reset(std::size_t capacity) noexcept;
    // Lead character and the address as two upper-case hex digits: "#01", "$1A".
    Command& begin(char lead, std::uint8_t address) noexcept;
    Command& ch(char c) noexcept;
    Command& text(std::string_view s) noexcept;
    // '0' plus v, without range check (a value above 9 gives the character that follows '9' ...).
    Command& digit(std::uint32_t v) noexcept { return ch(static_cast<char>('0' + (v & 0xFFu))); }
    // The place of a channel on an 8000 card: 'S', the slot digit, 'C', the channel digit ("S3C5").
    Command& cardChannel(std::uint32_t slot, std::uint32_t channel) noexcept {
        return ch('S').digit(slot).ch('C').digit(channel);
    }
    // v as `digits` upper-case hex digits, high digit first (bits above them dropped).
    Command& hex(std::uint32_t v, int digits) noexcept;
    // The first `width` characters of printf(format, args...).
    template <class... Args> Command& printf(std::size_t width, const char* format, Args... args) noexcept {
        std::array<char, 64> tmp{};
        const int n = std::snprintf(tmp.data(), tmp.size(), format, args...);
        if (n > 0)
            text(
                std::string_view(tmp.data(), std::min<std::size_t>({width, std::size_t(n), tmp.size() - 1})));
        return *this;
    }

    std::string_view view() const noexcept { return {m_text.data(), m_size}; }
    const char* cStr() const noexcept { return m_text.data(); }

  private:
    std::array<char, kCapacity> m_text{};
    std::size_t m_size = 0;
    std::size_t m_limit = kCapacity - 1;
};

} // namespace tev::iomodule
