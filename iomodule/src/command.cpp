#include "command.hpp"

#include <algorithm>

namespace tev::iomodule {

void Command::reset(std::size_t capacity) noexcept {
    m_limit = std::clamp<std::size_t>(capacity, 1, kCapacity) - 1;
    m_size = 0;
    m_text.fill('\0');
}

Command& Command::begin(char lead, std::uint8_t address) noexcept {
    reset(m_limit + 1);
    return ch(lead).hex(address, 2);
}

Command& Command::ch(char c) noexcept {
    if (m_size < m_limit)
        m_text[m_size++] = c;
    m_text[m_size] = '\0';
    return *this;
}

Command& Command::text(std::string_view s) noexcept {
    for (char c : s)
        ch(c);
    return *this;
}

Command& Command::hex(std::uint32_t v, int digits) noexcept {
    for (int i = digits - 1; i >= 0; --i)
        ch(HexDigit(v >> (4 * i)));
    return *this;
}

} // namespace tev::iomodule
