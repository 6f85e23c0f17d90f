#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "bytes.hpp"
#include "tev/protocol/mbus_frame.hpp"
#include "tev/protocol/mbus_frame_rule.hpp"
#include "tev/protocol/modbus_frame_rule.hpp"
#include "tev/protocol/modbus_request.hpp"

using namespace tev::protocol;

namespace {

// Announced length of every prefix of `frame`: 0 for each proper prefix, the full length at the end.
void ExpectCompleteOnlyAtEnd(std::size_t (*rule)(std::span<const std::uint8_t>) noexcept,
                             const std::vector<std::uint8_t>& frame, std::size_t expected) {
    for (std::size_t n = 0; n < expected; ++n)
        EXPECT_EQ(rule(std::span(frame).first(n)), 0u) << "prefix " << n;
    EXPECT_EQ(rule(std::span(frame).first(expected)), expected);
    EXPECT_EQ(rule(frame), expected) << "bytes behind the frame are not counted";
}

std::vector<std::uint8_t> Filled(std::vector<std::uint8_t> head, std::size_t total) {
    head.resize(total, 0x00);
    return head;
}

template <std::size_t N> std::vector<std::uint8_t> Vec(const std::array<std::uint8_t, N>& a) {
    return {a.begin(), a.end()};
}

// `size` zero bytes with a 0x68 at `at` and a length byte of 0x68 behind it.
std::vector<std::uint8_t> FrameStartAt(std::size_t at, std::size_t size) {
    std::vector<std::uint8_t> bytes(size, 0x00);
    bytes[at] = 0x68;
    bytes[at + 1] = 0x68;
    return bytes;
}

struct LengthRow {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::size_t length;
};

} // namespace

TEST(ModbusReplyLength, EachFunctionForm) {
    const LengthRow rows[] = {
        {"read of 5 registers", Filled(Bytes("01 03 0A"), 17), 15},
        {"read input", Filled(Bytes("01 04 02"), 7), 7},
        {"read of nothing", Filled(Bytes("01 03 00"), 5), 5},
        {"write single", Filled(Bytes("01 06"), 8), 8},
        {"write multiple", Filled(Bytes("01 10"), 8), 8},
        {"write coil", Filled(Bytes("01 05"), 8), 8},
        {"write coils", Filled(Bytes("01 0F"), 8), 8},
        {"exception", Filled(Bytes("01 83 02"), 5), 5},
    };
    for (const LengthRow& r : rows) {
        SCOPED_TRACE(r.what);
        ExpectCompleteOnlyAtEnd(ModbusReplyLength, r.bytes, r.length);
    }
    EXPECT_EQ(ModbusReplyLength(Filled(Bytes("01 2B"), 40)), 0u) << "unknown function";
}

// The same function pointer type as uart's UartFrameRule.
using FrameRule = std::size_t (*)(const std::uint8_t*, std::size_t, void*);

TEST(ModbusReplyLength, CAdapterMatches) {
    const FrameRule rule = &ModbusReplyRule;
    const auto reply = Filled(Bytes("01 03 02"), 7);
    EXPECT_EQ(rule(reply.data(), reply.size(), nullptr), 7u);
    EXPECT_EQ(ModbusReplyRule(reply.data(), 6, nullptr), 0u);
    EXPECT_EQ(ModbusReplyRule(nullptr, 10, nullptr), 0u);
}

TEST(MbusReplyLength, EachFrameKind) {
    const LengthRow rows[] = {
        {"acknowledgement", Bytes("E5"), 1},
        {"short frame", Bytes("10 40 FD 3D 16"), 5},
        {"long frame", Filled(Bytes("68 04 04 68"), 10), 10},
        {"long frame after wake-up", Filled(Bytes("FE FE 68 04 04 68"), 12), 12},
        {"domestic frame", Filled(Bytes("68 20 11 22 33 44 55 66 77 81 16"), 35), 35},
        {"domestic frame after wake-up", Filled(Bytes("FE 68 20 11 22 33 44 55 66 77 81 16"), 36), 36},
        {"acknowledgement after wake-up", Bytes("FE E5"), 2},
        {"built select frame", Vec(BuildSelectFrame({0x12, 0x34, 0x56, 0x78}, {0xFF, 0xFF, 0xFF, 0xFF})), 17},
        {"built address frame", Vec(BuildSetAddressFrame(0x05)), 12},
        {"built deselect frame", Vec(BuildDeselectFrame()), 5},
        {"largest long frame", *BuildLongFrame(0x08, 0x01, 0x72, std::vector<std::uint8_t>(252, 0xFE)), 261},
        {"domestic frame of 255 data bytes", Filled(Bytes("68 20 11 22 33 44 55 66 77 81 FF"), 268), 268},
    };
    for (const LengthRow& r : rows) {
        SCOPED_TRACE(r.what);
        ExpectCompleteOnlyAtEnd(MbusReplyLength, r.bytes, r.length);
    }
    EXPECT_EQ(MbusReplyLength(Bytes("FE FE FE")), 0u);
    EXPECT_EQ(MbusReplyLength(Bytes("00 E5")), 0u) << "unknown start";
    const auto ack = Bytes("E5 E5");
    const FrameRule rule = &MbusReplyRule;
    EXPECT_EQ(rule(ack.data(), ack.size(), nullptr), 1u);
    EXPECT_EQ(MbusReplyRule(nullptr, 3, nullptr), 0u);
}

TEST(TerminalReplyLength, ShownBytesStayWithinTheReply) {
    struct Row {
        const char* what;
        std::vector<std::uint8_t> reply;
        MeterOrigin origin;
        std::size_t shown;
    };
    const Row rows[] = {
        {"acknowledgement", Bytes("E5"), MeterOrigin::Imported, 1},
        {"acknowledgement, no origin", Bytes("E5 00"), MeterOrigin::None, 1},
        {"no origin", Filled(Bytes("68 04 04 68"), 10), MeterOrigin::None, 0},
        {"long frame after wake-up", Filled(Bytes("FE FE 68 04 04 68"), 12), MeterOrigin::Imported, 12},
        {"long frame, extra bytes", Filled(Bytes("68 04 04 68"), 20), MeterOrigin::Imported, 10},
        {"domestic frame", Filled(Bytes("68 20 11 22 33 44 55 66 77 81 16"), 35), MeterOrigin::Domestic, 35},
        {"frame longer than the reply", Filled(Bytes("68 FF FF 68"), 30), MeterOrigin::Imported, 30},
        {"length byte missing", Bytes("68 20 11 22"), MeterOrigin::Domestic, 4},
        {"no 0x68: length from byte 1", Bytes("AA 02 00 00 00 00 00 00 00 00"), MeterOrigin::Imported, 8},
        {"no 0x68: length from byte 10", Filled(Bytes("AA 00 00 00 00 00 00 00 00 00 02"), 20),
         MeterOrigin::Domestic, 15},
        {"garbage ahead of the frame is shown", Filled(Bytes("00 33 68 04 04 68"), 12), MeterOrigin::Imported,
         12},
        {"domestic length byte 0x16", Filled(Bytes("68 20 11 22 33 44 55 66 77 81 16"), 300),
         MeterOrigin::Domestic, 35},
        {"length byte beyond a 300-byte buffer", FrameStartAt(295, 300), MeterOrigin::Domestic, 300},
        {"frame end beyond a 300-byte buffer", FrameStartAt(280, 300), MeterOrigin::Imported, 300},
        {"built select frame, bytes behind", Filled(Vec(BuildSelectFrame({1, 2, 3, 4}, {5, 6, 7, 8})), 300),
         MeterOrigin::Imported, 17},
        {"empty", {}, MeterOrigin::Domestic, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(TerminalReplyLength(r.reply, r.origin), r.shown) << r.what;
}

TEST(ModbusMatchedReplyEnd, NoiseAheadOfTheReplyCannotCutIt) {
    const auto request = Bytes("01 03 17 70 00 05 81 A6");
    const ModbusReplyMatch match = ModbusMatchFor(request);
    auto reply = Bytes("01 03 0A 01 36 00 3C 02 28 00 01 00 01");
    AppendModbusCrc(reply);
    auto exception = Bytes("01 83 02");
    AppendModbusCrc(exception);
    auto corrupt = reply;
    corrupt[5] ^= 0x10;
    auto join = [](std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const LengthRow rows[] = {
        {"clean reply", reply, 15},
        {"one noise byte ahead", join(Bytes("00"), reply), 16},
        {"noise and a false start announcing 255 bytes", join(Bytes("FF 01 03 FF 00"), reply), 20},
        {"bytes behind are not counted", join(reply, Bytes("01 03")), 15},
        {"exception reply", exception, 5},
        {"another slave", join(Bytes("02"), std::vector<std::uint8_t>(reply.begin() + 1, reply.end())), 0},
        {"corrupt reply", corrupt, 0},
        {"nothing", {}, 0},
    };
    for (const LengthRow& r : rows)
        EXPECT_EQ(ModbusMatchedReplyEnd(r.bytes, match), r.length) << r.what;
    for (std::size_t n = 0; n < reply.size(); ++n)
        EXPECT_EQ(ModbusMatchedReplyEnd(std::span(reply).first(n), match), 0u) << "prefix " << n;

    // The plain rule takes the noise byte for a slave address and ends after 8 bytes.
    EXPECT_EQ(ModbusReplyLength(join(Bytes("00"), reply)), 8u);

    const FrameRule rule = &ModbusMatchedReplyRule;
    auto context = match;
    EXPECT_EQ(rule(reply.data(), reply.size(), &context), 15u);
    EXPECT_EQ(ModbusMatchedReplyRule(reply.data(), reply.size(), nullptr), 0u);
    EXPECT_EQ(ModbusMatchFor(Bytes("01")).function, 0);
}
