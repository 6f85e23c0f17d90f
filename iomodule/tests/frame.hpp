// Argument blocks for calling command functions in the unit tests.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fake_line.hpp"

namespace tev::iomodule::testing {

// The reply text followed by its two checksum characters (byte sum mod 256), as a module sends it.
inline std::string WithChecksum(const std::string& text) {
    unsigned sum = 0;
    for (unsigned char c : text)
        sum += c;
    char tail[3];
    std::snprintf(tail, sizeof tail, "%02X", sum & 0xFFu);
    return text + tail;
}

// Reply as the module sends it with the checksum flag on or off.
inline std::string Framed(const std::string& text, bool checksum) {
    return checksum ? WithChecksum(text) : text;
}

template <class Slot> struct Frame {
    using Function = std::uint16_t (*)(Slot*, float*, char*, char*);

    std::array<Slot, 12> w{};
    std::array<float, 8> f{};
    std::array<char, 100> command{};
    std::array<char, 100> reply{};

    explicit Frame(std::uint32_t model, bool checksum = false) {
        w[0] = 3;
        w[1] = 0x01;
        w[2] = static_cast<Slot>(model);
        w[3] = checksum ? 1 : 0;
        w[4] = 200;
        w[6] = 1;
        f.fill(-7.0F); // a marker: untouched slots keep it
        command = {'u', 'n', 't', 'o', 'u', 'c', 'h', 'e', 'd'};
        reply = command;
        FakeLine::instance().reset();
    }
    std::uint16_t operator()(Function fn) { return fn(w.data(), f.data(), command.data(), reply.data()); }
    std::string commandTrace() const { return command.data(); }
    std::string replyTrace() const { return reply.data(); }
    bool tracesUntouched() const { return commandTrace() == "untouched" && replyTrace() == "untouched"; }
};

using WordFrame = Frame<std::uint16_t>;
using LongFrame = Frame<std::uint32_t>;

inline FakeLine& Fake() {
    return FakeLine::instance();
}

// Checks that exactly `command` went out, or (nullptr) that the call was refused: nothing sent and
// the trace buffers untouched.
template <class Slot> void ExpectSent(const Frame<Slot>& fr, const char* command, const std::string& name) {
    if (command) {
        EXPECT_EQ(Fake().commands(), std::vector<std::string>{command}) << name;
    } else {
        EXPECT_TRUE(Fake().sent.empty()) << name;
        EXPECT_TRUE(fr.tracesUntouched()) << name;
    }
}

} // namespace tev::iomodule::testing
