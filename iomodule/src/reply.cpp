#include "reply.hpp"

#include "wire.hpp"

namespace tev::iomodule {

std::optional<std::uint32_t> Reply::hex(std::size_t pos, std::size_t n) const noexcept {
    const auto f = field(pos, n);
    if (!f)
        return std::nullopt;
    return decodeHexDigits(*f);
}

std::optional<std::uint32_t> Reply::digit(std::size_t pos) const noexcept {
    const auto f = field(pos, 1);
    if (!f)
        return std::nullopt;
    return static_cast<std::uint32_t>(static_cast<unsigned char>(f->front()) - '0') & 0xFFFFu;
}

std::optional<double> Reply::decimal(std::size_t pos, std::size_t n) const noexcept {
    const auto f = field(pos, n);
    if (!f)
        return std::nullopt;
    return parseDecimal(*f);
}

std::optional<double> Reply::decimalFrom(std::size_t pos) const noexcept {
    const auto f = from(pos);
    if (!f)
        return std::nullopt;
    return parseDecimal(*f);
}

} // namespace tev::iomodule
