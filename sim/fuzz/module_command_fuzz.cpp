// Feeds command lines to the I-7000 module bank through the line's ASCII framing. A piece whose
// first byte is odd gets the two checksum characters, so commands to the modules with checksum on
// are parsed beyond their checksum check. One bank serves every input, as one bank serves a line for
// hours: building the default bank costs far more than answering, and settings written by one input
// are met by the next (a crash may then need the inputs before it to reproduce).
#include "device_fuzz.hpp"

#include "tev/sim/module_bank.hpp"

#include <algorithm>
#include <cstdio>
#include <string>

using namespace tev::sim;

namespace {

std::vector<std::uint8_t> CommandOf(std::span<const std::uint8_t> piece) {
    if (piece.empty())
        return {};
    std::string text(piece.begin() + 1, piece.end());
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    if ((piece[0] & 1) != 0) {
        unsigned sum = 0;
        for (const unsigned char c : text)
            sum += c;
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", sum & 0xFFU);
        text += digits;
    }
    text += '\r';
    return {text.begin(), text.end()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::int64_t now = 0;
    static ModuleBank bank = [] {
        auto made = ModuleBank::makeDefault();
        made.setClock([] { return now; });
        return made;
    }();
    static const auto device = MakeAsciiDevice([](std::string_view line) {
        now += 250; // commands a quarter second apart: watchdogs and counters move
        auto reply = bank.answer(line);
        if (reply && reply->size() > fuzz::kMaxReply)
            std::abort();
        return reply;
    });
    const LineState state{9600, 10};
    fuzz::ForEachChunk(std::span(data, size), [&](std::span<const std::uint8_t> piece) {
        fuzz::Serve(*device, CommandOf(piece), state);
    });
    if (size % 7 == 0)
        bank.powerCycle();
    return 0;
}
