// The search against simulated converters on a pseudo-terminal, through uart. Damaged, foreign and
// late replies are tested on a scripted line (search_fake_test.cpp).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "tev/link/converter_probe.hpp"
#include "tev/link/converter_search.hpp"
#include "tev/link/serial_link.hpp"
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
        m_search.setLastAddress(10); // the highest converter
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
