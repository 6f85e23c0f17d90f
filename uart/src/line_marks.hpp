// Bytes as the kernel hands them over with PARMRK set, and what they stand for.
#pragma once

#include <cstddef>
#include <cstdint>

namespace uart::detail {

// Takes the marks of PARMRK off the bytes read from a port, chunk by chunk: 0xFF 0xFF is a 0xFF,
// 0xFF 0x00 X a byte X received with a parity or framing error, which becomes 0x00.
class Unmarker {
  public:
    // Decodes in into out (room for in.size() bytes); returns the bytes written. A mark cut at the
    // end of in is completed by the next chunk.
    std::size_t decode(const std::uint8_t* in, std::size_t count, std::uint8_t* out) noexcept;
    bool damaged() const noexcept { return m_damaged; }

  private:
    enum class State : std::uint8_t { Plain, Mark, MarkZero };
    State m_state = State::Plain;
    bool m_damaged = false;
};

} // namespace uart::detail
