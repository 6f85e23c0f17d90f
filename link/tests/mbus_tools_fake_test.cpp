// The meter address setting and the command terminal on a scripted line: missing, odd and cut
// answers, a stop, a port that does not open.
#include <gtest/gtest.h>

#include <atomic>

#include "fake_line.hpp"
#include "tev/link/direct_line.hpp"
#include "tev/link/meter_address.hpp"
#include "tev/link/terminal.hpp"
#include "tev/protocol/mbus_frame.hpp"
#include "tev/sim/mbus_meter.hpp"

using namespace tev;
using namespace tev::link;
using namespace tev::link::testing;

namespace {

constexpr std::uint32_t kBaud = 2400;
const Bytes kAck = {protocol::kMbusAck};

template <std::size_t N> Bytes ToBytes(const std::array<std::uint8_t, N>& frame) {
    return {frame.begin(), frame.end()};
}

AddressRequest Request() {
    return CheckManualFields("FFFFFFFF", "12345678", "05").request;
}
Bytes Select() {
    return ToBytes(protocol::BuildSelectFrame(Request().identification, Request().manufacturer));
}
Bytes Write() {
    return ToBytes(protocol::BuildSetAddressFrame(5));
}
Bytes Deselect() {
    return ToBytes(protocol::BuildDeselectFrame());
}

} // namespace

TEST(AddressOnLine, EachFrameWaitsForItsAcknowledgement) {
    struct Case {
        const char* what;
        std::vector<Bytes> answers; // to select, write, deselect, as far as they are sent
        AddressStep step;
    };
    const Case cases[] = {
        {"all acknowledged", {kAck, kAck, kAck}, AddressStep::Done},
        {"deselect unanswered", {kAck, kAck, {}}, AddressStep::Done},
        {"deselect answered oddly", {kAck, kAck, {0xA2}}, AddressStep::OddDeselect},
        {"select unanswered", {{}}, AddressStep::NoSelectAck},
        {"select answered by noise", {{0x00, 0xE5}}, AddressStep::NoSelectAck},
        {"select taken, address not", {kAck, {}}, AddressStep::NoAddressAck},
        {"address answered by a short frame",
         {kAck, ToBytes(protocol::BuildShortFrame(0x08, 5))},
         AddressStep::NoAddressAck},
    };
    for (const Case& c : cases) {
        FakeLine line;
        line.open(DirectLineSettings(1, kBaud));
        const Bytes frames[] = {Select(), Write(), Deselect()};
        for (std::size_t i = 0; i < c.answers.size(); ++i)
            line.then(frames[i], c.answers[i]);
        EXPECT_EQ(SetMeterAddress(line, Request(), 1200), c.step) << c.what;
        EXPECT_EQ(line.left(), 0u) << c.what;
        EXPECT_EQ(line.sent.size(), c.answers.size()) << c.what;
    }
}

TEST(AddressOnLine, StopAndCancelSendNothingMore) {
    FakeLine line;
    line.open(DirectLineSettings(1, kBaud));
    std::atomic<bool> stop{true};
    EXPECT_EQ(SetMeterAddress(line, Request(), 1200, &stop), AddressStep::Cancelled);
    EXPECT_TRUE(line.sent.empty());
    // Stopped while the select waits: the select is acknowledged, but the address is not written.
    stop = false;
    line.then({Select(), kAck, [&stop] { stop = true; }, 5});
    EXPECT_EQ(SetMeterAddress(line, Request(), 1200, &stop), AddressStep::Cancelled);
    // Cancelled while the address write waits.
    line.then(Select(), kAck).then({Write(), kAck, [&line] { line.cancel(); }, 5});
    EXPECT_EQ(SetMeterAddress(line, Request(), 1200), AddressStep::Cancelled);
    EXPECT_EQ(line.sent.size(), 3u);
}

TEST(AddressOnLine, PortThatDoesNotOpenIsNamedAndFindsNoMeter) {
    FakeLine line;
    line.failOpens(1);
    const AddressAttempt attempt = AttemptMeterAddress(line, DirectLineSettings(3, kBaud), Request());
    EXPECT_FALSE(attempt.opened);
    EXPECT_EQ(attempt.openFailure.rfind("COM3 (", 0), 0u) << attempt.openFailure;
    EXPECT_EQ(attempt.step, AddressStep::NoSelectAck);
    EXPECT_TRUE(line.sent.empty());
}

TEST(TerminalOnLine, ReplyIsShownAsFarAsItsFrameReaches) {
    sim::MbusMeterBank meters({{.primary = 5, .id = 12345679}});
    sim::DomesticMeterSpec spec;
    spec.address = {0x21, 0x43, 0x65, 0x87, 0x00, 0x00, 0x00};
    sim::DomesticMeter domestic(spec);
    const auto frame = [](const char* text, int checksumIndex) {
        return BuildTerminalFrame(text, ChecksumStartOffset(checksumIndex)).bytes;
    };
    const Bytes readout = frame("10 5B 05", 1);
    const Bytes longReply = meters.answer(readout, {kBaud, 11}).bytes;
    const Bytes domesticRead = frame("68 10 21 43 65 87 00 00 00 01 03 90 1F 00", 0);
    const Bytes domesticReply = domestic.answer(domesticRead, {kBaud, 11}).bytes;
    ASSERT_EQ(longReply.size(), 32u);
    struct Case {
        const char* what;
        Bytes request;
        Bytes carried;
        protocol::MeterOrigin origin;
        std::optional<std::string> reply; // its first bytes
        std::size_t shownBytes;
    };
    const Case cases[] = {
        {"acknowledgement", frame("10 40 01", 1), kAck, protocol::MeterOrigin::Domestic, "E5 ", 1},
        {"long frame", readout, Join({longReply, {0xE5}}), protocol::MeterOrigin::Imported,
         "68 1A 1A 68 08 05 72 79 56 34 12 ", 32},
        {"cut long frame", readout, Cut(longReply, 20), protocol::MeterOrigin::Imported, "68 1A 1A 68 ", 20},
        {"domestic frame behind its wake-up bytes", domesticRead, domesticReply,
         protocol::MeterOrigin::Domestic, "FE FE 68 10 21 43 65 87 00 00 00 81 16 ", 2u + 0x16 + 13},
        {"silence", readout, {}, protocol::MeterOrigin::Imported, std::nullopt, 0},
        {"a first byte 0 is no reply",
         readout,
         {0x00, 0xE5},
         protocol::MeterOrigin::Imported,
         std::nullopt,
         0},
    };
    for (const Case& c : cases) {
        FakeLine line;
        line.then(c.request, c.carried);
        const TerminalRun run = RunTerminalExchange(line, DirectLineSettings(2, kBaud), c.request, c.origin);
        EXPECT_TRUE(run.opened) << c.what;
        ASSERT_EQ(run.reply.has_value(), c.reply.has_value()) << c.what;
        if (c.reply) {
            EXPECT_TRUE(run.reply->starts_with(*c.reply)) << c.what << ": " << *run.reply;
            EXPECT_EQ(run.reply->size(), 3 * c.shownBytes) << c.what;
        } else {
            EXPECT_EQ(HistoryReplyLine(run), "    No Respond!") << c.what;
        }
        EXPECT_EQ(line.sent.at(0).timeoutMs, 1300) << c.what; // (19200 / 2400) x 150 + 100
        EXPECT_EQ(line.sent.at(0).maxCount, kTerminalReceiveMax) << c.what;
        EXPECT_FALSE(line.isOpen()) << c.what;
    }
    FakeLine shut;
    shut.failOpens(1);
    EXPECT_FALSE(RunTerminalExchange(shut, DirectLineSettings(2, kBaud), readout, {}).opened);
    EXPECT_TRUE(shut.sent.empty());
}
