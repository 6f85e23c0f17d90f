#include "reply.hpp"

#include "wire.hpp"

namespace tev::iomodule {

std::optional<std::uint32_t> Reply::hex(std::size_t pos, std::size_t n) const noexcept {
    const auto f = field(pos, n);
    return f ? DecodeHexDigits(*f) : std::nullopt;
}

std::optional<std::uint32_t> Reply::digit(std::size_t pos) const noexcept {
    const auto f = field(pos, 1);
    if (!f || f->front() < '0' || f->front() > '9')
        return std::nullopt;
    return static_cast<std::uint32_t>(f->front() - '0');
}

std::optional<std::int32_t> Reply::integer(std::size_t pos, std::size_t n) const noexcept {
    const auto f = field(pos, n);
    return f ? ParseInteger(*f) : std::nullopt;
}

std::optional<double> Reply::decimal(std::size_t pos, std::size_t n) const noexcept {
    const auto f = field(pos, n);
    return f ? ParseDecimal(*f) : std::nullopt;
}

std::optional<double> Reply::decimalFrom(std::size_t pos) const noexcept {
    const auto f = from(pos);
    return f ? ParseDecimal(*f) : std::nullopt;
}

} // namespace tev::iomodule
