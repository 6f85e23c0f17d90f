// Model tables: each command function lists the module identifiers it serves, one row per
// identifier, with what the identifier selects (channel count, command variant, digit count ...).
#pragma once

#include <cstdint>
#include <iterator>
#include <type_traits>

#include "slots.hpp"

namespace tev::iomodule {

// The row of `rows` whose `model` member is `model`, or nullptr (the caller answers
// TEV_MODULE_MODEL_NOT_SERVED).
template <class Rows> constexpr auto FindModel(const Rows& rows, std::uint32_t model) noexcept {
    for (const auto& row : rows)
        if (row.model == model)
            return &row;
    return static_cast<decltype(&*std::begin(rows))>(nullptr);
}

// The row serving a call, or the code that refuses the call before anything is sent.
template <class Row> struct Served {
    const Row* row = nullptr;
    std::uint16_t code = TEV_MODULE_OK;
};

// The first checks of every command function: the arrays it needs are there
// (TEV_MODULE_NULL_ARGUMENT), and `rows` has a row for the call's module identifier
// (TEV_MODULE_MODEL_NOT_SERVED). Use as
//     const auto [row, rc] = serve(call, kRows, needsFloats);
//     if (!row) return rc;
template <class Rows> constexpr auto Serve(const Call& call, const Rows& rows, bool needsFloats) noexcept {
    using Row = std::remove_cvref_t<decltype(*std::begin(rows))>;
    if (const std::uint16_t rc = call.require(needsFloats))
        return Served<Row>{nullptr, rc};
    const Row* row = FindModel(rows, call.model());
    constexpr std::uint16_t kNotServed = TEV_MODULE_MODEL_NOT_SERVED;
    return Served<Row>{row, row ? std::uint16_t{TEV_MODULE_OK} : kNotServed};
}

// A model and how many channels it has; 0 means a single-channel model whose commands carry no
// channel digit.
struct ChannelModel {
    std::uint32_t model = 0;
    std::uint8_t channels = 0;
    char lead = '#';
};

// Whether `channel` is one of the row's channels (a single-channel model takes any, ignored).
constexpr bool ChannelFits(const ChannelModel& row, std::uint32_t channel) noexcept {
    return row.channels == 0 || channel < row.channels;
}

// The same for an 8000 card, whose commands carry the channel as one decimal digit: never above 7.
constexpr bool CardChannelFits(const ChannelModel& row, std::uint32_t channel) noexcept {
    constexpr std::uint32_t kDigitLimit = 7;
    return ChannelFits(row, channel) && channel <= kDigitLimit;
}

} // namespace tev::iomodule
