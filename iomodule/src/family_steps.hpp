// Steps the digital, 7080 counter, alarm and watchdog functions share on top of the transaction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>

#include "models.hpp"
#include "reply.hpp"
#include "transaction.hpp"
#include "wire.hpp"

namespace tev::iomodule {

// The decimal number of the reply's characters from `pos`, at most `n` of them, for readings whose
// reply length is not checked: a shorter value is read as far as it goes. Nothing when the reply
// ends before `pos` or the characters are not a number, so no stale, absent or corrupted text is
// taken for a value.
inline std::optional<double> LeadingDecimal(const Reply& reply, std::size_t pos, std::size_t n) noexcept {
    const auto rest = reply.from(pos);
    return rest ? ParseDecimal(rest->substr(0, n)) : std::nullopt;
}

// The first steps of a command to one channel of an analog card: the arrays (`floats`: the
// function reads or writes the float block), the model (rows of ChannelModel) and, when `checked`,
// the channel in slot 5 (TEV_MODULE_CHANNEL_OUT_OF_RANGE); then "$AA" and, on an 8000 card, "S",
// the card slot (slot 7), "C" and the channel, as one digit each.
template <class Rows>
std::uint16_t BeginChannel(Transaction& t, const Rows& rows, bool floats, bool checked = true) noexcept {
    const Call& call = t.call();
    const auto [row, rc] = Serve(call, rows, floats);
    if (!row)
        return rc;
    const std::uint32_t channel = call.arg(TEV_SLOT_ARG);
    if (checked && !ChannelFits(*row, channel))
        return TEV_MODULE_CHANNEL_OUT_OF_RANGE;
    Command& command = t.begin('$');
    if (call.family == Family::Card8K)
        command.ch('S').digit(call.arg(TEV_SLOT_ARG7)).ch('C').digit(channel);
    return TEV_MODULE_OK;
}

} // namespace tev::iomodule
