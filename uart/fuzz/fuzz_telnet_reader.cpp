// Feeds arbitrary bytes, cut at arbitrary places, to the Telnet reader of RFC 2217 lines, and checks
// that the data it hands out never outgrows its input and does not depend on where the reads split.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "telnet.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t step = data[0] % 16 + 1;
    const std::uint8_t* in = data + 1;
    const std::size_t count = size - 1;
    uart::detail::telnet::Reader whole;
    std::vector<std::uint8_t> out(count);
    const std::size_t n = whole.decode(in, count, out.data());
    if (n > count)
        std::abort();
    uart::detail::telnet::Reader pieces;
    std::vector<std::uint8_t> outPieces(count);
    std::size_t m = 0;
    for (std::size_t i = 0; i < count; i += step) {
        const std::size_t len = step < count - i ? step : count - i;
        // In place, as the library decodes.
        std::vector<std::uint8_t> chunk(in + i, in + i + len);
        const std::size_t got = pieces.decode(chunk.data(), len, chunk.data());
        if (got > len)
            std::abort();
        std::memcpy(outPieces.data() + m, chunk.data(), got);
        m += got;
        if (pieces.negotiationCount() > uart::detail::telnet::Reader::kMaxNegotiations)
            std::abort();
        pieces.clearNegotiations();
    }
    if (m != n || std::memcmp(out.data(), outPieces.data(), n) != 0 ||
        whole.comPortReplies() != pieces.comPortReplies() || whole.replyBaud() != pieces.replyBaud())
        std::abort();
    return 0;
}
