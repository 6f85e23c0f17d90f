#include "line_marks.hpp"

namespace uart::detail {

std::size_t Unmarker::decode(const std::uint8_t* in, std::size_t count, std::uint8_t* out) noexcept {
    std::size_t n = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = in[i];
        switch (m_state) {
        case State::Plain:
            if (b == 0xFF)
                m_state = State::Mark;
            else
                out[n++] = b;
            break;
        case State::Mark:
            if (b == 0x00) {
                m_state = State::MarkZero;
                break;
            }
            out[n++] = 0xFF; // 0xFF 0xFF; anything else after a lone 0xFF is taken as it came
            if (b != 0xFF)
                out[n++] = b;
            m_state = State::Plain;
            break;
        case State::MarkZero:
            out[n++] = 0x00;
            m_damaged = true;
            m_state = State::Plain;
            break;
        }
    }
    return n;
}

} // namespace uart::detail
