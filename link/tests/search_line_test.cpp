// The search against simulated converters on a pseudo-terminal, through uart.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "tev/link/converter_probe.hpp"
#include "tev/link/converter_search.hpp"
#include "tev/link/serial_link.hpp"
#include "tev/protocol/crc.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

using namespace tev;
using namespace tev::link;

namespace {

constexpr std::uint8_t kPort = 9;

std::shared_ptr<sim::Converter> MakeConverter(std::uint8_t address, std::uint8_t baudCode,
                                              std::uint8_t parity) {
    sim::ConverterConfig c;
    c.address = address;
    c.baudCode = baudCode;
    c.parity = parity;
    c.meterType = 0x10;
    c.meterCount = 2;
    return std::make_shared<sim::Converter>(c, sim::SampleMeters(2, 1000));
}

SearchOptions NineteenTwoAndNineSix() {
    SearchOptions o;
    o.port = kPort;
    o.rates[3] = true; // 9600
    o.rates[4] = true; // 19200
    o.timeoutMs = 100;
    o.parity = 1;
    return o;
}

// Runs the search to its end the way the dialog does, one probe after the other.
std::vector<Converter> RunSearch(ConverterSearch& search, const SearchOptions& options) {
    EXPECT_EQ(search.start(options), ConverterSearch::Start::Started);
    while (auto probe = search.next()) {
        const ProbeOutcome outcome =
            ProbeConverter(search.settingsFor(*probe), probe->address, search.timeoutMs());
        EXPECT_TRUE(outcome.opened) << outcome.openFailure;
        search.record(*probe, outcome.reply);
    }
    return search.found();
}

class SearchLine : public ::testing::Test {
  protected:
    void SetUp() override {
        // 0x0A talks at 9600 with odd parity on its Modbus side, which a pseudo-terminal cannot carry:
        // it answers an even-parity search all the same. Address 3 answers at 9600 and at 19200.
        m_line.add(MakeConverter(0x0A, 0x36, 2));
        m_line.add(MakeConverter(0x03, 0x36, 1));
        m_line.add(MakeConverter(0x03, 0x37, 1));
        m_line.start();
        ::setenv("TEV_COM9", m_line.path().c_str(), 1);
        m_search.setLastAddress(12);
        m_search.setPauseMs(0);
    }
    void TearDown() override { m_line.stop(); }

    sim::Line m_line;
    ConverterSearch m_search;
};

} // namespace

TEST_F(SearchLine, FindsEveryConverterAtEveryRateItAnswers) {
    const auto found = RunSearch(m_search, NineteenTwoAndNineSix());
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(TreeLabel(found[0]), "ZEDU-MODBUS模块 ( 地址:03  波特率:9600 )");
    EXPECT_EQ(TreeLabel(found[1]), "ZEDU-MODBUS模块 ( 地址:03  波特率:19200 )");
    EXPECT_EQ(TreeLabel(found[2]), "ZEDU-MODBUS模块 ( 地址:0A  波特率:9600 )");
    // 6000 = 0A36, 6001 = 003C, 6002 = 1002, 6003 = 0002, low byte of 6004 = 01
    EXPECT_EQ(found[2].configText, "0A36003C1002000201");
    EXPECT_EQ(found[2].port, 9);
    EXPECT_EQ(m_search.stop(), "搜索到3个模块");
}

TEST_F(SearchLine, ReplyWithBadCrcIsNotListed) {
    m_line.options().corruptReplies = -1;
    m_search.setLastAddress(4);
    EXPECT_TRUE(RunSearch(m_search, NineteenTwoAndNineSix()).empty());
    EXPECT_EQ(m_search.stop(), "搜索到0个模块");
}

namespace {

// Answers every probe of address 1 with a fixed 15-byte reply (CRC appended to `head`).
class FixedReplier final : public sim::Device {
  public:
    explicit FixedReplier(std::vector<std::uint8_t> head) : m_reply(std::move(head)) {
        const std::uint16_t crc = protocol::ModbusCrc16(m_reply);
        m_reply.push_back(static_cast<std::uint8_t>(crc & 0xFF));
        m_reply.push_back(static_cast<std::uint8_t>(crc >> 8));
    }
    std::size_t frameLength(std::span<const std::uint8_t> bytes) const override {
        return bytes.size() >= 8 ? 8 : 0;
    }
    sim::Reply answer(std::span<const std::uint8_t> frame, const sim::LineState&) override {
        return {frame[0] == 1 ? m_reply : std::vector<std::uint8_t>{}, 0};
    }

  private:
    std::vector<std::uint8_t> m_reply;
};

} // namespace

TEST(SearchReply, AddressFunctionByteCountAndCrcMustAnswerTheProbe) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> head; // bytes 0..12
        bool answered;
    };
    const std::vector<std::uint8_t> data = {0x0A, 0x36, 0x00, 0x3C, 0x10, 0x02, 0x00, 0x02, 0x00, 0x01};
    const auto head = [&](std::uint8_t address, std::uint8_t function, std::uint8_t count) {
        std::vector<std::uint8_t> h = {address, function, count};
        h.insert(h.end(), data.begin(), data.end());
        return h;
    };
    // Each reply carries a valid CRC over its 13 bytes.
    const Case cases[] = {
        {"plain reply", head(0x01, 0x03, 0x0A), true},     {"byte count 8", head(0x01, 0x03, 0x08), false},
        {"byte count 0", head(0x01, 0x03, 0x00), false},   {"other address", head(0x22, 0x03, 0x0A), false},
        {"other function", head(0x01, 0x04, 0x0A), false},
    };
    for (const Case& c : cases) {
        sim::Line line;
        line.add(std::make_shared<FixedReplier>(c.head));
        line.start();
        ::setenv("TEV_COM10", line.path().c_str(), 1);
        SerialSettings s;
        s.port = 10;
        const ProbeOutcome outcome = ProbeConverter(s, 1, 150);
        EXPECT_EQ(outcome.answered, c.answered) << c.what;
        EXPECT_EQ(outcome.reply.size(), kConfigurationReplySize) << c.what;
        if (outcome.answered)
            EXPECT_EQ(MakeConverter(s, 1, outcome.reply).configText, "0A36003C1002000201") << c.what;
        line.stop();
    }
}

TEST(SearchPort, PortThatCannotOpenNamesItsDeviceAndFindsNothing) {
    ::setenv("TEV_COM15", "/nonexistent/tev-tty", 1);
    SerialSettings s;
    s.port = 15;
    const ProbeOutcome outcome = ProbeConverter(s, 1, 100);
    EXPECT_FALSE(outcome.opened);
    EXPECT_FALSE(outcome.answered);
    EXPECT_NE(outcome.openFailure.find("COM15 (/nonexistent/tev-tty)"), std::string::npos)
        << outcome.openFailure;
    EXPECT_EQ(PortDevice(15), "/nonexistent/tev-tty");
}

TEST(SearchLate, ReplyAfterTheTimeoutIsNotListedUnderTheNextAddress) {
    // Address 1 answers 150 ms after the request: too late for a 100 ms probe, so its reply lands in
    // the probe of address 2, which must not take it for a converter at address 2.
    struct Case {
        std::uint16_t timeoutMs;
        std::vector<int> addresses; // listed
    };
    for (const Case& c : {Case{100, {}}, Case{500, {1}}}) {
        sim::Line line;
        line.add(MakeConverter(0x01, 0x36, 0));
        line.options().replyDelayMs = 150;
        line.start();
        ::setenv("TEV_COM11", line.path().c_str(), 1);
        SearchOptions options;
        options.port = 11;
        options.rates[3] = true; // 9600
        options.timeoutMs = c.timeoutMs;
        ConverterSearch search;
        search.setLastAddress(2);
        search.setPauseMs(0);
        std::vector<int> listed;
        for (const Converter& found : RunSearch(search, options))
            listed.push_back(found.address);
        EXPECT_EQ(listed, c.addresses) << "timeout " << c.timeoutMs;
        line.stop();
    }
}
