// Feeds Modbus requests to a simulated converter: each input piece is a request body that gets its
// CRC, so the fuzzer reaches the register reads and writes; the raw input is served as well.
#include "device_fuzz.hpp"

#include "tev/protocol/crc.hpp"
#include "tev/sim/converter.hpp"

using namespace tev::sim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Converter converter({}, SampleMeters(8, 12345678));
    const auto state = [&] {
        return LineState{ConverterBaud(converter.config().baudCode).value_or(9600), 10};
    };
    const std::span<const std::uint8_t> input(data, size);
    fuzz::Serve(converter, input, state());
    fuzz::ForEachChunk(input, [&](std::span<const std::uint8_t> body) {
        std::vector<std::uint8_t> frame(body.begin(), body.end());
        const std::uint16_t crc = tev::protocol::ModbusCrc16(frame);
        frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
        frame.push_back(static_cast<std::uint8_t>(crc >> 8));
        fuzz::Serve(converter, frame, state());
    });
    for (std::size_t i = 0; i < kConverterEntries; ++i)
        (void)converter.entry(i);
    return 0;
}
