// Read-only view of one reply, with bounded access to its fields.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tev::iomodule {

// A reply as uart hands it back (CR removed). With the checksum flag on its last two characters are
// the checksum; data() is the reply without them. Positions count from the lead character at 0.
// Field accessors return nothing when the field does not lie wholly inside data() or when any of
// its characters does not belong to its number (wire.hpp): the caller then answers
// TEV_MODULE_INVALID_REPLY instead of reading past the text or around a corrupted character.
class Reply {
  public:
    Reply() = default;
    Reply(std::string_view text, bool checksum) noexcept
        : m_text(text),
          m_data(text.substr(0, text.size() - (checksum ? std::min<std::size_t>(2, text.size()) : 0))) {}

    std::string_view text() const noexcept { return m_text; }
    std::string_view data() const noexcept { return m_data; }
    char first() const noexcept { return m_text.empty() ? '\0' : m_text.front(); }

    // The n characters at pos.
    std::optional<std::string_view> field(std::size_t pos, std::size_t n) const noexcept {
        if (pos > m_data.size() || n > m_data.size() - pos)
            return std::nullopt;
        return m_data.substr(pos, n);
    }
    // The data from pos to its end (empty when pos is its end).
    std::optional<std::string_view> from(std::size_t pos) const noexcept {
        if (pos > m_data.size())
            return std::nullopt;
        return m_data.substr(pos);
    }
    // n hex digits at pos by the modules' digit rule (see decodeHexDigits).
    std::optional<std::uint32_t> hex(std::size_t pos, std::size_t n) const noexcept;
    // The decimal digit '0'-'9' at pos, as its value.
    std::optional<std::uint32_t> digit(std::size_t pos) const noexcept;
    // The decimal integer (sign and digits) of the n characters at pos.
    std::optional<std::int32_t> integer(std::size_t pos, std::size_t n) const noexcept;
    // The decimal number of the n characters at pos.
    std::optional<double> decimal(std::size_t pos, std::size_t n) const noexcept;
    // The decimal number of the data from pos to its end.
    std::optional<double> decimalFrom(std::size_t pos) const noexcept;

  private:
    std::string_view m_text;
    std::string_view m_data;
};

} // namespace tev::iomodule
