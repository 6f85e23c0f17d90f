// M-Bus meters, the domestic meter and the measuring module, frame by frame.
#include "tev/sim/mbus_meter.hpp"
#include "tev/sim/measuring_module.hpp"

#include <gtest/gtest.h>

#include <numeric>

namespace tev::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
const LineState k2400{2400, 11};

const Bytes kSelect12345678{0x68, 0x0B, 0x0B, 0x68, 0x53, 0xFD, 0x52, 0x78, 0x56,
                            0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0xB2, 0x16};
const Bytes kSetAddress05{0x68, 0x06, 0x06, 0x68, 0x53, 0xFD, 0x51, 0x01, 0x7A, 0x05, 0x21, 0x16};
const Bytes kDeselect{0x10, 0x40, 0xFD, 0x3D, 0x16};
const Bytes kAck{0xE5};

Bytes MakeLongFrame(std::uint8_t c, std::uint8_t a, std::uint8_t ci, const Bytes& data) {
    Bytes body{c, a, ci};
    body.insert(body.end(), data.begin(), data.end());
    const auto length = static_cast<std::uint8_t>(body.size());
    Bytes frame{0x68, length, length, 0x68};
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(static_cast<std::uint8_t>(std::accumulate(body.begin(), body.end(), 0U) & 0xFF));
    frame.push_back(0x16);
    return frame;
}

class MbusMeterTest : public ::testing::Test {
  protected:
    MbusMeterBank m_bank{{{.primary = 1, .id = 12345678, .manufacturer = 0x2C2D, .version = 1, .medium = 7},
                          {.primary = 2, .id = 87654321, .manufacturer = 0x4024, .version = 2, .medium = 4}}};

    Bytes ask(const Bytes& frame, LineState line = k2400) {
        EXPECT_EQ(m_bank.frameLength(frame), frame.size());
        return m_bank.answer(frame, line).bytes;
    }
};

TEST_F(MbusMeterTest, PrimaryAddressChangeBySecondaryAddress) {
    EXPECT_EQ(ask(kSelect12345678), kAck);
    EXPECT_EQ(m_bank.selected(), 0u);
    EXPECT_EQ(ask(kSetAddress05), kAck);
    EXPECT_EQ(m_bank.meters()[0].primary, 5);
    EXPECT_EQ(m_bank.meters()[1].primary, 2);
    EXPECT_EQ(ask(kDeselect), kAck);
    EXPECT_FALSE(m_bank.selected());
    EXPECT_TRUE(ask(kDeselect).empty()) << "nobody is selected any more";
    EXPECT_TRUE(ask(kSetAddress05).empty());
}

TEST_F(MbusMeterTest, SelectionMatchesWithWildcardsOnly) {
    struct Case {
        const char* what;
        Bytes selection; // identification number (wire order), manufacturer, version, medium
        std::optional<std::size_t> selected;
    };
    const Case cases[] = {
        {"exact", {0x21, 0x43, 0x65, 0x87, 0x24, 0x40, 0x02, 0x04}, 1},
        {"digit wildcards", {0xF1, 0x43, 0xFF, 0x87, 0xFF, 0xFF, 0xFF, 0xFF}, 1},
        {"wrong digit", {0x22, 0x43, 0x65, 0x87, 0xFF, 0xFF, 0xFF, 0xFF}, std::nullopt},
        {"wrong manufacturer", {0x78, 0x56, 0x34, 0x12, 0x24, 0x40, 0xFF, 0xFF}, std::nullopt},
        {"wrong medium", {0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0x04}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ask(kSelect12345678), kAck);
        const Bytes reply = ask(MakeLongFrame(0x53, 0xFD, 0x52, c.selection));
        EXPECT_EQ(reply, c.selected ? kAck : Bytes{}) << c.what;
        EXPECT_EQ(m_bank.selected(), c.selected) << c.what << ": a non-matching selection deselects";
    }
}

TEST_F(MbusMeterTest, IgnoresDamagedFramesAndOtherRates) {
    Bytes damaged = kSelect12345678;
    damaged[15] ^= 1;
    Bytes noStop = kDeselect;
    noStop[4] = 0x17;
    for (const Bytes& frame : {damaged, noStop, Bytes{0x10, 0x40, 0x01, 0x42, 0x16}}) {
        EXPECT_EQ(m_bank.frameLength(frame), kNotAFrame) << "the line resynchronises";
        EXPECT_TRUE(m_bank.answer(frame, k2400).bytes.empty());
    }
    EXPECT_TRUE(ask(kSelect12345678, {9600, 11}).empty());
    EXPECT_EQ(ask({0x10, 0x40, 0x01, 0x41, 0x16}), kAck) << "SND_NKE to primary address 1";
    EXPECT_TRUE(ask({0x10, 0x40, 0xFF, 0x3F, 0x16}).empty()) << "broadcast is never answered";
    EXPECT_EQ(m_bank.frameLength(Bytes{0x68, 0x05, 0x06, 0x68}), kNotAFrame);
    EXPECT_EQ(m_bank.frameLength(Bytes{0x68, 0x05}), 0u);
    EXPECT_EQ(m_bank.frameLength(Bytes{0xFE}), kNotAFrame);
}

TEST_F(MbusMeterTest, RequestForUserDataGetsAVariableDataResponse) {
    for (const Bytes& request : {Bytes{0x10, 0x5B, 0x02, 0x5D, 0x16}, Bytes{0x10, 0x7B, 0x02, 0x7D, 0x16}}) {
        const Bytes reply = ask(request);
        ASSERT_GE(reply.size(), 6u);
        ASSERT_EQ(reply.size(), reply[1] + 6u);
        EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 7),
                  (Bytes{0x68, reply[1], reply[1], 0x68, 0x08, 0x02, 0x72}));
        EXPECT_EQ(Bytes(reply.begin() + 7, reply.begin() + 15),
                  (Bytes{0x21, 0x43, 0x65, 0x87, 0x24, 0x40, 0x02, 0x04}));
        EXPECT_EQ(reply[reply.size() - 2], std::accumulate(reply.begin() + 4, reply.end() - 2, 0U) & 0xFF);
        EXPECT_EQ(reply.back(), 0x16);
    }
    EXPECT_EQ(ask({0x10, 0x5B, 0xFE, 0x59, 0x16}).size(), 32u) << "test address";
}

TEST(DomesticMeterTest, AnswersTheReadDataRequestBehindWakeUpBytes) {
    DomesticMeter meter({.type = 0x10,
                         .address = {0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x00},
                         .wakeUpBytes = 2,
                         .baud = 2400,
                         .cubicMetres = 12.5,
                         .cubicMetresPerHour = 0.0});
    Bytes request{0xFE, 0xFE, 0x68, 0x10, 0xAA, 0xAA, 0xAA, 0xAA,
                  0xAA, 0xAA, 0xAA, 0x01, 0x03, 0x90, 0x1F, 0x00};
    request.push_back(
        static_cast<std::uint8_t>(std::accumulate(request.begin() + 2, request.end(), 0U) & 0xFF));
    request.push_back(0x16);
    ASSERT_EQ(meter.frameLength(request), request.size());
    const Bytes reply = meter.answer(request, k2400).bytes;
    ASSERT_EQ(reply.size(), 2u + 35u);
    EXPECT_EQ(reply[0], 0xFE);
    EXPECT_EQ(reply[2], 0x68);
    EXPECT_EQ(reply[2 + 9], 0x81);
    EXPECT_EQ(reply[2 + 10], 0x16);
    EXPECT_EQ(Bytes(reply.begin() + 16, reply.begin() + 21), (Bytes{0x50, 0x12, 0x00, 0x00, 0x2C}))
        << "12.50 m3";
    EXPECT_EQ(reply[reply.size() - 2], std::accumulate(reply.begin() + 2, reply.end() - 2, 0U) & 0xFF);

    Bytes otherMeter = request;
    otherMeter[4] = 0x11;
    otherMeter[otherMeter.size() - 2] =
        static_cast<std::uint8_t>(otherMeter[otherMeter.size() - 2] - 0xAA + 0x11);
    EXPECT_TRUE(meter.answer(otherMeter, k2400).bytes.empty());
    EXPECT_TRUE(meter.answer(request, {9600, 10}).bytes.empty());
    EXPECT_EQ(meter.frameLength(kSetAddress05), kNotAFrame) << "an M-Bus long frame is not ours";
    EXPECT_EQ(meter.frameLength(Bytes(40, 0xFE)), kNotAFrame);
    Bytes damaged = request;
    damaged[damaged.size() - 2] ^= 1;
    EXPECT_EQ(meter.frameLength(damaged), kNotAFrame) << "the line resynchronises";
    EXPECT_EQ(meter.frameLength(std::span(request).first(request.size() - 1)), 0u);
}

TEST(MeasuringModuleTest, StatusAndValueReplies) {
    MeasuringModule module;
    const LineState line{9600, 10};
    const auto ask = [&](std::string text) {
        text.push_back('\r');
        const Bytes frame(text.begin(), text.end());
        EXPECT_EQ(module.frameLength(frame), frame.size());
        return module.answer(frame, line).bytes;
    };
    const Bytes status = ask("$016");
    ASSERT_EQ(status.size(), 22u);
    const std::string text(status.begin(), status.end() - 1);
    EXPECT_GE(text.size(), 21u);
    EXPECT_EQ(std::stoi(text.substr(5, 2), nullptr, 16), 8) << "sensor count of channel 0";
    EXPECT_EQ(std::stoi(text.substr(7, 2), nullptr, 16), 4) << "sensor count of channel 1";

    for (int channel : {0, 1}) {
        const Bytes values = ask("#01" + std::to_string(channel));
        const std::size_t n = channel == 0 ? 8 : 4;
        ASSERT_EQ(values.size(), 4 * n + 7);
        for (std::size_t k = 0; k < n; ++k) {
            const auto raw = static_cast<std::int16_t>(values[6 + 4 * k] << 8 | values[5 + 4 * k]);
            const double celsius = raw * 0.0625;
            EXPECT_NEAR(celsius, channel == 0 ? 27.0 : -18.0, 8.0);
        }
    }
    EXPECT_TRUE(ask("$026").empty()) << "another address";
    EXPECT_TRUE(ask("#018").empty()) << "no channel 8";
    EXPECT_EQ(MeasuringModule::encode(125.0), 0x07D0);
    EXPECT_EQ(MeasuringModule::encode(-55.0), 0xFC90);
}

} // namespace
} // namespace tev::sim
