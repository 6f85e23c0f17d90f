#include "command_seeds.hpp"

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <vector>

#include "fake_line.hpp"

namespace tev::iomodule::fuzzing {
namespace {

// Module identifiers the functions serve (and the range code 8 of In8_7017), tried in this order.
constexpr std::uint32_t kModels[] = {0x7011,  0x7012,  0x7014,  0x7016,  0x7017,  0x7021,  0x7022,  0x7024,
                                     0x7033,  0x7041,  0x7042,  0x7044,  0x7050,  0x7052,  0x7053,  0x7060,
                                     0x7080,  0x8013,  0x8017,  0x8022,  0x8024,  0x8033,  0x8041,  0x8042,
                                     0x8051,  0x8054,  0x8056,  0x8063,  0x87013, 0x87017, 0x87021, 0x87024,
                                     0x87051, 0x87052, 0x87054, 0x87056, 0x87063, 8};

std::string Repeat(const char* field, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += field;
    return s;
}

// Reply sequences (checksum off, module address 01), one reply per exchange.
std::vector<std::vector<std::string>> ReplyShapes() {
    const std::string decimals = ">" + Repeat("+01.234", 8);
    std::vector<std::vector<std::string>> shapes;
    for (const std::string& one : {std::string(">"),
                                   std::string("!01"),
                                   std::string(">+01.234"),
                                   std::string(">7FFF"),
                                   std::string(">0001E240"),
                                   std::string("!011"),
                                   std::string("!01L"),
                                   std::string("!0125"),
                                   std::string("!0110"),
                                   std::string("!011FF"),
                                   std::string("!0F0F00"),
                                   std::string("!010000F"),
                                   std::string("!0100123"),
                                   std::string("!0110100"),
                                   std::string("!01+01.500"),
                                   std::string("!0100FF00"),
                                   std::string("!010001E240"),
                                   std::string("!01400600"),
                                   std::string("!01+05.000"),
                                   std::string("!01FFF"),
                                   std::string("!01+01.000+02.000"),
                                   std::string("!0104.500"),
                                   decimals,
                                   ">" + Repeat("+01.234", 4),
                                   ">" + Repeat("7FFF", 8)})
        shapes.push_back({one});
    shapes.push_back({">", "!01"});
    shapes.push_back({"!01", "!01"});
    shapes.push_back({">" + Repeat("+01.234", 3), ">+01.234", ">+01.234", ">+01.234"}); // 3-channel scan
    return shapes;
}

std::vector<std::uint8_t> Input(std::size_t function, std::uint32_t model,
                                const std::vector<std::string>& replies) {
    // Port 1, address 1, no checksum, 100 ms, trace on; slot 9 = 6 (a 7080 format the
    // configuration takes); floats: values inside every range checked before sending.
    const std::array<std::uint32_t, 32> slots{1, 1, model, 0, 100, 0, 1, 0, 0, 6};
    const std::array<float, 16> floats{0.5F, 1.0F, 0.5F, 1.0F};
    std::vector<std::uint8_t> in(kInputHead);
    in[0] = static_cast<std::uint8_t>(function);
    std::memcpy(&in[1], slots.data(), sizeof slots);
    std::memcpy(&in[1 + sizeof slots], floats.data(), sizeof floats);
    for (std::size_t k = 0; k < replies.size(); ++k) {
        if (k > 0)
            in.push_back('\n');
        in.insert(in.end(), replies[k].begin(), replies[k].end());
    }
    return in;
}

// The input that makes `function` succeed (`accepted`), or that at least makes it send; empty when
// none does.
std::vector<std::uint8_t> SeedFor(std::size_t function, RunInput run,
                                  const std::vector<std::vector<std::string>>& shapes, bool& accepted) {
    std::vector<std::uint8_t> sending;
    accepted = false;
    for (std::uint32_t model : kModels) {
        for (const auto& replies : shapes) {
            auto in = Input(function, model, replies);
            const std::uint16_t code = run(in.data(), in.size());
            if (testing::FakeLine::instance().sent.empty())
                break; // this model is refused before anything is sent
            if (code == 0) {
                accepted = true;
                return in;
            }
            if (sending.empty())
                sending = std::move(in);
        }
    }
    return sending;
}

} // namespace

void WriteCommandSeeds(const std::string& dir, std::size_t functions, RunInput run) {
    const auto name = [&dir](std::size_t i) {
        char file[16];
        std::snprintf(file, sizeof file, "seed-%03zu", i);
        return dir + "/" + file;
    };
    if (std::ifstream(name(0)).good())
        return;
    const auto shapes = ReplyShapes();
    std::size_t written = 0, accepting = 0;
    for (std::size_t i = 0; i < functions && i < 256; ++i) {
        bool accepted = false;
        const auto seed = SeedFor(i, run, shapes, accepted);
        if (seed.empty()) {
            std::fprintf(stderr, "seeds: function %zu sends nothing\n", i);
            continue;
        }
        if (!accepted)
            std::fprintf(stderr, "seeds: function %zu accepts no reply shape\n", i);
        ++written;
        accepting += accepted ? 1 : 0;
        std::ofstream(name(i), std::ios::binary)
            .write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
    }
    std::fprintf(stderr, "seeds: %zu of %zu functions, %zu with a reply they accept\n", written, functions,
                 accepting);
}

} // namespace tev::iomodule::fuzzing
