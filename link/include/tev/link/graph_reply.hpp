// The measuring module of the graph display: its two ASCII requests and the decoding of its replies.
//
//   status request  "$" + address + "6"        reply text, at least 21 characters; the two characters
//                                               at 2 × channel + 5 give in hex the number of values n
//   value request   "#" + address + channel     binary reply of 4n + 7 bytes; value k is the 16-bit
//                                               temperature at offsets 5 + 4k (low) and 6 + 4k (high)
//
// Temperatures come in 1/16 °C steps: a high byte of 0xF8 or more makes the value negative (two's
// complement); below that only its low three bits count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tev::link {

// Shortest status reply that carries the value counts of all eight channels.
inline constexpr std::size_t kGraphStatusMinLength = 21;
// Channels of the value request ("CH0" ... "CH7").
inline constexpr int kGraphChannels = 8;
// The count field is two hex digits: at most 255 values, so a value reply is at most 1027 bytes.
inline constexpr int kGraphMaxValues = 255;
inline constexpr std::size_t kGraphValueReplyMax = 4 * kGraphMaxValues + 7;

// "$" + address + "6".
std::string GraphStatusCommand(std::string_view address);
// "#" + address + the channel digit (channel 0 ... 7).
std::string GraphValueCommand(std::string_view address, int channel);

enum class GraphStatusError {
    None,
    TooShort, // fewer than 21 characters, or no count field for this channel
    NotHex,   // the count field holds a character that is no hex digit
};

struct GraphStatus {
    GraphStatusError error = GraphStatusError::TooShort;
    int count = 0; // values the module sends for the channel
    explicit operator bool() const noexcept { return error == GraphStatusError::None; }
};

// Reads the value count of `channel` from a status reply text.
GraphStatus ParseGraphStatus(std::string_view reply, int channel) noexcept;

// Length of the value reply that carries `count` values: 4 × count + 7.
std::size_t GraphValueReplyLength(int count) noexcept;

// Temperature in °C of the two bytes of one value.
double DecodeTemperature(std::uint8_t low, std::uint8_t high) noexcept;

// The `count` values of a value reply; a value whose two bytes did not arrive (a reply cut short) is
// empty. At most kGraphMaxValues values.
std::vector<std::optional<double>> DecodeGraphValues(std::span<const std::uint8_t> received, int count);

// "%.3f℃".
std::string FormatTemperature(double celsius);

} // namespace tev::link
