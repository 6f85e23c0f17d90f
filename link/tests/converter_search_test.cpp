#include <gtest/gtest.h>

#include <vector>

#include "tev/link/converter_probe.hpp"
#include "tev/link/converter_search.hpp"
#include "tev/link/search_run.hpp"
#include "tev/protocol/crc.hpp"

using namespace tev;
using namespace tev::link;

namespace {

// A configuration reply of converter `address` with the CRC appended.
std::vector<std::uint8_t> Reply(std::uint8_t address, bool goodCrc = true, std::uint8_t function = 0x03,
                                std::uint8_t byteCount = 0x0A) {
    std::vector<std::uint8_t> r = {address, function, byteCount, 0x0A, 0x36, 0x00, 0x3C,
                                   0x01,    0x10,     0x00,      0x01, 0x00, 0x00};
    const std::uint16_t crc = protocol::ModbusCrc16(r);
    r.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    r.push_back(static_cast<std::uint8_t>((crc >> 8) ^ (goodCrc ? 0 : 1)));
    return r;
}

SearchOptions Ticked(std::initializer_list<int> boxes) {
    SearchOptions o;
    for (int b : boxes)
        o.rates[static_cast<std::size_t>(b)] = true;
    return o;
}

} // namespace

TEST(SearchRequest, ReadsFiveRegistersFrom6000) {
    EXPECT_EQ(SearchRequest(1),
              (std::array<std::uint8_t, 8>{0x01, 0x03, 0x17, 0x70, 0x00, 0x05, 0x81, 0xA6}));
    const auto r = SearchRequest(0xFF);
    EXPECT_EQ(r[0], 0xFF);
    EXPECT_EQ(protocol::ModbusCrc16(std::span(r).first(6)), r[6] | (r[7] << 8));
}

TEST(ConverterReply, OnlyTheWholeReplyOfTheProbedAddressCounts) {
    struct Case {
        const char* what;
        std::uint8_t probed;
        std::vector<std::uint8_t> reply;
        bool counts;
    };
    auto longer = Reply(0x0A);
    longer.push_back(0x55);
    auto shorter = Reply(0x0A);
    shorter.pop_back();
    const Case cases[] = {
        {"reply of the probed address", 0x0A, Reply(0x0A), true},
        {"bad CRC", 0x0A, Reply(0x0A, false), false},
        {"14 bytes", 0x0A, shorter, false},
        {"nothing", 0x0A, {}, false},
        // A late reply of the address probed before lands in the next probe: it is not a converter there.
        {"reply of another address", 0x0B, Reply(0x0A), false},
        {"first byte 0", 0x01, Reply(0x00), false},
        {"byte after the reply", 0x0A, longer, false},
        // CRC-valid 15 bytes, but not the answer to a read of 5 holding registers.
        {"function 0x04", 0x0A, Reply(0x0A, true, 0x04), false},
        {"byte count 8", 0x0A, Reply(0x0A, true, 0x03, 0x08), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsConverterReply(c.probed, c.reply), c.counts) << c.what;
}

TEST(ConverterReply, ConverterHoldsPortAddressRateParityAndConfiguration) {
    const Converter c = MakeConverter({3, 9600, 1, 8, 0}, 0x0A, Reply(0x0A));
    EXPECT_EQ(c.port, 3);
    EXPECT_EQ(c.name, "ZEDU-MODBUS模块");
    EXPECT_EQ(c.address, 0x0A);
    EXPECT_EQ(c.parity, 1);
    EXPECT_TRUE(c.polled);
    // bytes 3..10 and byte 12; byte 11 (0x00 here, 0x01 at 10) is left out
    EXPECT_EQ(c.configText, "0A36003C0110000100");
    EXPECT_EQ(c.config.baudCode, 0x36);
    EXPECT_EQ(c.config.acquisitionTime, 60);
    EXPECT_EQ(c.settings(), (SerialSettings{3, 9600, 1, 8, 0}));
    EXPECT_EQ(TreeLabel(c), "ZEDU-MODBUS模块 ( 地址:0A  波特率:9600 )");
    EXPECT_TRUE(HasConverterPages(c));
    Converter other = c;
    other.name = "MODBUS";
    EXPECT_FALSE(HasConverterPages(other));
    const FoundRow row = MakeFoundRow(MakeConverter({1, 19200, 0, 8, 0}, 0x1A, Reply(0x1A)));
    EXPECT_EQ(row.address, "1A(26)");
    EXPECT_EQ(row.baud, "19200");
}

TEST(ConverterSearchOrder, EveryTickedRateAscendingBeforeNextAddress) {
    ConverterSearch search;
    search.setLastAddress(3);
    ASSERT_EQ(search.start(Ticked({4, 3})), ConverterSearch::Start::Started); // 19200 and 9600
    std::vector<Probe> probes;
    while (auto p = search.next())
        probes.push_back(*p);
    const std::vector<Probe> expected = {{1, 9600}, {1, 19200}, {2, 9600}, {2, 19200}, {3, 9600}, {3, 19200}};
    EXPECT_EQ(probes, expected);
}

TEST(ConverterSearchOrder, FullRangeEndsAtAddress255AndNeverProbes0) {
    ConverterSearch search;
    ASSERT_EQ(search.start(Ticked({0})), ConverterSearch::Start::Started);
    int count = 0;
    Probe last;
    while (auto p = search.next()) {
        EXPECT_NE(p->address, 0);
        last = *p;
        ++count;
    }
    EXPECT_EQ(count, 255);
    EXPECT_EQ(last, (Probe{255, 1200}));
}

TEST(ConverterSearchOrder, NoRateTickedDoesNotStart) {
    ConverterSearch search;
    EXPECT_EQ(search.start({}), ConverterSearch::Start::NoRate);
    EXPECT_FALSE(search.running());
    EXPECT_FALSE(search.next());
}

TEST(ConverterSearchFound, RecordsConvertersAndCountsThem) {
    ConverterSearch search;
    SearchOptions o = Ticked({3, 4});
    o.port = 2;
    o.parity = 1;
    search.start(o);
    const Probe p1 = *search.next();
    EXPECT_EQ(search.settingsFor(p1), (SerialSettings{2, 9600, 1, 8, 0}));
    EXPECT_TRUE(search.record(p1, Reply(1)));
    EXPECT_FALSE(search.record(*search.next(), Reply(1, false)));
    EXPECT_FALSE(search.record(*search.next(), {}));
    ASSERT_EQ(search.found().size(), 1u);
    EXPECT_EQ(search.found()[0].port, 2);
    EXPECT_EQ(search.stop(), "搜索到1个模块");
    EXPECT_FALSE(search.record(p1, Reply(1))); // nothing is recorded after the stop
}

TEST(ConverterSearchFound, RestartBeginsAtAddress1WithEmptyList) {
    ConverterSearch search;
    search.start(Ticked({3}));
    search.next();
    search.record(*search.next(), Reply(2));
    EXPECT_EQ(search.address(), 2);
    EXPECT_EQ(search.stop(), "搜索到1个模块");
    search.start(Ticked({3}));
    EXPECT_TRUE(search.found().empty());
    EXPECT_EQ(search.next(), (Probe{1, 9600}));
    EXPECT_EQ(search.stop(), "搜索到0个模块");
}

TEST(ConverterSearchFound, TickIsTimeoutPlusPause) {
    ConverterSearch search;
    SearchOptions o = Ticked({3});
    o.timeoutMs = 200;
    search.start(o);
    EXPECT_EQ(search.tickIntervalMs(), 700);
    search.setPauseMs(5);
    EXPECT_EQ(search.tickIntervalMs(), 205);
}

namespace {

// Said once while it lasts: again after the port opened in between, or for another reason.
TEST(OpenFailureNotice, SaysAFailureOnceWhileItLasts) {
    tev::link::OpenFailureNotice notice;
    const std::pair<bool, const char*> outcomes[] = {{false, "COM3: busy"},
                                                     {false, "COM3: busy"},
                                                     {false, "COM3: gone"},
                                                     {true, ""},
                                                     {false, "COM3: gone"}};
    const char* said[] = {"COM3: busy", "", "COM3: gone", "", "COM3: gone"};
    for (std::size_t i = 0; i < std::size(outcomes); ++i)
        EXPECT_EQ(notice.next(outcomes[i].first, outcomes[i].second), said[i]) << i;
}

TEST(SearchRun, OnlyTheCurrentRunsReportsCount) {
    tev::link::SearchRun run;
    EXPECT_FALSE(run.started());
    const int first = run.begin(false);
    EXPECT_TRUE(run.current(first));
    run.end(); // stopped: its late reports count no more
    EXPECT_FALSE(run.current(first));
    const int second = run.begin(true);
    EXPECT_TRUE(run.current(second) && !run.current(first) && run.listsParities());
}

} // namespace
