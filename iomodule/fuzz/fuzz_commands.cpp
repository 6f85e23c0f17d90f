// Calls any command function with arbitrary slots and floats, and answers its exchanges with
// arbitrary reply texts: no call may read or write outside the caller's blocks and trace buffers.
//
// Input: byte 0 picks the function; then 32 slots of 4 bytes and 16 floats of 4 bytes; the rest
// are the replies, one per exchange, separated by '\n' (a reply starting with 0x01 is a timeout).
//
// With TEV_FUZZ_SEEDS set to a corpus folder, the target first writes one seed per function there
// (command_seeds.hpp), so the fuzzer starts from calls that reach every function's reply parsing.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "alarm_types.hpp"
#include "command_seeds.hpp"
#include "fake_line.hpp"
#include <tev/tev_module.h>
#include <tev/uart.h>

namespace {

using WordFn = uint16_t (*)(uint16_t*, float*, char*, char*);
using LongFn = uint16_t (*)(uint32_t*, float*, char*, char*);
using TextFn = uint16_t (*)(uint16_t*, char*, char*, char*); // AnalogInAllHex

struct Entry {
    WordFn word = nullptr;
    LongFn wide = nullptr;
    TextFn text = nullptr;
};

template <typename Fn> Entry entry(Fn fn) {
    Entry e;
    if constexpr (std::is_same_v<Fn, WordFn>)
        e.word = fn;
    else if constexpr (std::is_same_v<Fn, LongFn>)
        e.wide = fn;
    else
        e.text = fn;
    return e;
}

#define TEV_FUZZ_ENTRY(name) entry(&name),
const Entry kEntries[] = {
#include "fuzz_command_list.inc"
};

constexpr std::size_t kSlots = 32;
constexpr std::size_t kFloats = 16;
constexpr std::size_t kTrace = 80;

void QueueReplies(const std::uint8_t* data, std::size_t size) {
    auto& fake = tev::iomodule::testing::FakeLine::instance();
    fake.reset();
    std::string current;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == '\n') {
            const bool timeout = !current.empty() && current[0] == '\x01';
            fake.answer(timeout ? std::string{} : current, timeout ? UART_TIMEOUT : UART_OK);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
}

// Runs one input; returns the function's code (0 for an input too short to call one).
std::uint16_t RunInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t head = tev::iomodule::fuzzing::kInputHead;
    static_assert(head == 1 + 4 * kSlots + 4 * kFloats);
    if (size < head)
        return 0;
    const Entry& fn = kEntries[data[0] % std::size(kEntries)];
    std::vector<std::uint32_t> wide(kSlots);
    std::vector<std::uint16_t> word(kSlots);
    std::memcpy(wide.data(), data + 1, 4 * kSlots);
    for (std::size_t i = 0; i < kSlots; ++i)
        word[i] = static_cast<std::uint16_t>(wide[i]);
    std::vector<float> floats(kFloats);
    std::memcpy(floats.data(), data + 1 + 4 * kSlots, 4 * kFloats);
    QueueReplies(data + head, size - head);

    // Exactly sized heap blocks, so the sanitizer sees any step past them.
    std::vector<char> command(kTrace), reply(kTrace);
    if (fn.word)
        return fn.word(word.data(), floats.data(), command.data(), reply.data());
    if (fn.wide)
        return fn.wide(wide.data(), floats.data(), command.data(), reply.data());
    std::vector<char> texts(100 * TEV_MODULE_HEX_TEXT_FIELDS);
    return fn.text(word.data(), texts.data(), command.data(), reply.data());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    tev::iomodule::SetAlarmPauseHook([](std::chrono::milliseconds) {});
    if (const char* dir = std::getenv("TEV_FUZZ_SEEDS"); dir && *dir)
        tev::iomodule::fuzzing::WriteCommandSeeds(dir, std::size(kEntries), RunInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RunInput(data, size);
    return 0;
}
