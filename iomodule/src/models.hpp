// Model tables: each command function lists the module identifiers it serves, one row per
// identifier, with what the identifier selects (channel count, command variant, digit count ...).
#pragma once

#include <cstdint>
#include <iterator>

namespace tev::iomodule {

// The row of `rows` whose `model` member is `model`, or nullptr (the caller answers
// TEV_MODULE_MODEL_NOT_SERVED).
template <class Rows> constexpr auto findModel(const Rows& rows, std::uint32_t model) noexcept {
    for (const auto& row : rows)
        if (row.model == model)
            return &row;
    return static_cast<decltype(&*std::begin(rows))>(nullptr);
}

// A model and how many channels it has; 0 means a single-channel model whose commands carry no
// channel digit.
struct ChannelModel {
    std::uint32_t model = 0;
    std::uint8_t channels = 0;
    char lead = '#';
};

// Whether `channel` is one of the row's channels (a single-channel model takes any, ignored).
constexpr bool channelFits(const ChannelModel& row, std::uint32_t channel) noexcept {
    return row.channels == 0 || channel < row.channels;
}

} // namespace tev::iomodule
