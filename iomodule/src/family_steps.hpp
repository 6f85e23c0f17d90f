// Steps the digital, 7080 counter, alarm and watchdog functions share on top of the transaction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "reply.hpp"
#include "wire.hpp"

namespace tev::iomodule {

// The decimal number (atof rules) of the reply's characters from `pos`, at most `n` of them, for
// readings whose reply length is not checked: a shorter value is read as far as it goes. Nothing
// when the reply ends before `pos`, so no stale or absent text is taken for a value.
inline std::optional<double> leadingDecimal(const Reply& reply, std::size_t pos, std::size_t n) noexcept {
    const auto rest = reply.from(pos);
    if (!rest || rest->empty())
        return std::nullopt;
    return parseDecimal(rest->substr(0, n));
}

} // namespace tev::iomodule
