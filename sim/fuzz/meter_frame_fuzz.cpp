// Feeds M-Bus frames to simulated meters and a domestic meter on one line: each input piece becomes a
// short frame (first byte 0x10), a domestic meter frame (first byte 0xFE) or a long frame around it,
// with a correct checksum and stop byte, so the fuzzer reaches the meters' request handling.
#include "device_fuzz.hpp"

#include "tev/sim/mbus_meter.hpp"

#include <numeric>

using namespace tev::sim;

namespace {

constexpr std::uint8_t kLongStart = 0x68;
constexpr std::uint8_t kShortStart = 0x10;
constexpr std::uint8_t kStop = 0x16;
constexpr std::uint8_t kWakeUp = 0xFE;

std::uint8_t Sum(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0U));
}

std::vector<std::uint8_t> Seal(std::span<const std::uint8_t> piece) {
    std::vector<std::uint8_t> frame;
    if (!piece.empty() && piece[0] == kShortStart && piece.size() >= 3) {
        frame = {kShortStart, piece[1], piece[2], static_cast<std::uint8_t>(piece[1] + piece[2]), kStop};
    } else if (!piece.empty() && piece[0] == kWakeUp && piece.size() >= 11) {
        // FE FE 68, type, 7 address bytes, control, L, L data bytes, sum from 0x68, 0x16.
        const auto head = piece.subspan(1, 9);
        const auto data = piece.subspan(10);
        frame = {kWakeUp, kWakeUp, kLongStart};
        frame.insert(frame.end(), head.begin(), head.end());
        frame.push_back(static_cast<std::uint8_t>(data.size()));
        frame.insert(frame.end(), data.begin(), data.end());
        frame.push_back(Sum(std::span(frame).subspan(2)));
        frame.push_back(kStop);
    } else if (piece.size() >= 3) {
        const auto length = static_cast<std::uint8_t>(piece.size());
        frame = {kLongStart, length, length, kLongStart};
        frame.insert(frame.end(), piece.begin(), piece.end());
        frame.push_back(Sum(piece));
        frame.push_back(kStop);
    }
    return frame;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    MbusMeterBank bank({{1, 12345678, 0x2C2D, 1, 0x07, 2400, 1530, 12},
                        {0, 11, 0x4024, 2, 0x04, 2400, 45000, 30},
                        {7, 87654321, 0x2C2D, 1, 0x07, 9600, 0, 0}});
    DomesticMeter domestic({0x10, {0x21, 0x43, 0x65, 0x87, 0, 0, 0}, 2, 2400, 123.45, 0.2});
    const LineState state{(data[0] & 1) != 0 ? 9600U : 2400U, 11};
    const std::span<const std::uint8_t> input(data + 1, size - 1);
    fuzz::Serve(bank, input, state);
    fuzz::Serve(domestic, input, state);
    fuzz::ForEachChunk(input, [&](std::span<const std::uint8_t> piece) {
        const auto frame = Seal(piece);
        fuzz::Serve(bank, frame, state);
        fuzz::Serve(domestic, frame, state);
    });
    (void)bank.selected();
    return 0;
}
