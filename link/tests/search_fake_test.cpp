// The probe of the converter search and the fast search on a scripted line: foreign, damaged and
// late replies, ports that do not open, a stop while a probe waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>

#include "fake_line.hpp"
#include "tev/link/converter_probe.hpp"
#include "tev/link/fast_search.hpp"
#include "tev/sim/converter.hpp"

using namespace tev;
using namespace tev::link;
using namespace tev::link::testing;

namespace {

const Bytes kConfigData = {0x0A, 0x36, 0x00, 0x3C, 0x10, 0x02, 0x00, 0x02, 0x00, 0x01};

Bytes Request(std::uint8_t address) {
    const auto request = SearchRequest(address);
    return {request.begin(), request.end()};
}

SearchOptions At9600(std::uint16_t timeoutMs = 100) {
    SearchOptions o;
    o.rates[3] = true;
    o.timeoutMs = timeoutMs;
    return o;
}

// Simulated converters on one line: each answers at its own rate, whatever the parity.
class Converters {
  public:
    void add(std::uint8_t address, std::uint8_t baudCode) {
        sim::ConverterConfig c;
        c.address = address;
        c.baudCode = baudCode;
        c.meterCount = 2;
        m_converters.push_back(std::make_shared<sim::Converter>(c, sim::SampleMeters(2, 1000)));
    }
    Bytes answer(std::span<const std::uint8_t> request, const SerialSettings& settings) const {
        Bytes all;
        for (const auto& converter : m_converters) {
            const Bytes reply = converter->answer(request, {settings.baud, 10}).bytes;
            all.insert(all.end(), reply.begin(), reply.end());
        }
        return all;
    }
    void attach(FakeLine& line) const {
        line.device = [this](std::span<const std::uint8_t> request, const SerialSettings& settings) {
            return answer(request, settings);
        };
    }

  private:
    std::vector<std::shared_ptr<sim::Converter>> m_converters;
};

// The search the dialog's timer runs, one probe after the other, on `line`.
std::vector<Converter> NormalSearch(Line& line, const SearchOptions& options, int lastAddress) {
    ConverterSearch search;
    search.setLastAddress(lastAddress);
    search.start(options);
    while (auto probe = search.next()) {
        search.record(*probe, ProbeConverterOn(line, search.settingsFor(*probe), probe->address, 100).reply);
        line.close();
    }
    return search.found();
}

std::vector<Converter> FastSearch(Line& line, const SearchOptions& options, int lastAddress,
                                  bool allParities = false) {
    ConverterSearch search;
    search.setLastAddress(lastAddress);
    search.start(options);
    FastSearchRun run(line);
    run.run(FastSearchPlan(options, allParities, lastAddress), options.port, options.timeoutMs,
            [&](const Probe& probe, const ProbeOutcome& outcome) { search.record(probe, outcome.reply); });
    return search.found();
}

std::vector<Converter> Sorted(std::vector<Converter> found) {
    std::sort(found.begin(), found.end(), [](const Converter& a, const Converter& b) {
        return std::tie(a.address, a.baud, a.parity) < std::tie(b.address, b.baud, b.parity);
    });
    return found;
}

std::vector<int> Addresses(const std::vector<Converter>& found) {
    std::vector<int> addresses;
    for (const Converter& c : found)
        addresses.push_back(c.address);
    return addresses;
}

} // namespace

TEST(ProbeOnLine, OnlyTheWholeConfigurationReplyOfTheProbedAddressCounts) {
    const Bytes reply = ReadReply(1, kConfigData);
    struct Case {
        const char* what;
        Bytes carried;
        bool answered;
        std::size_t replyBytes;
    };
    const Case cases[] = {
        {"reply", reply, true, 15},
        {"byte count 8", WithCrc(Join({{1, 3, 8}, kConfigData})), false, 15},
        {"byte count 0", WithCrc(Join({{1, 3, 0}, kConfigData})), false, 15},
        {"other address", ReadReply(0x22, kConfigData), false, 15},
        {"other function", ReadReply(1, kConfigData, 0x04), false, 15},
        {"corrupted CRC", Spoilt(reply, 6), false, 15},
        {"late reply of another address first", Join({ReadReply(9, kConfigData), reply}), false, 30},
        {"cut", Cut(reply, 10), false, 10},
        {"silence", {}, false, 0},
    };
    for (const Case& c : cases) {
        FakeLine line;
        line.then(Request(1), c.carried);
        const ProbeOutcome outcome = ProbeConverterOn(line, {1, 9600, 0, 8, 0}, 1, 150);
        EXPECT_TRUE(outcome.opened) << c.what;
        EXPECT_EQ(outcome.answered, c.answered) << c.what;
        EXPECT_EQ(outcome.reply.size(), c.replyBytes) << c.what;
        if (outcome.answered)
            EXPECT_EQ(MakeConverter({1, 9600}, 1, outcome.reply).configText, "0A36003C1002000201") << c.what;
        EXPECT_TRUE(line.isOpen()) << c.what; // kept open for the next probe
    }
}

TEST(ProbeOnLine, PortIsOpenedOnceMoreAfterAFailureAndNamedWhenItStaysShut) {
    FakeLine line;
    line.failOpens(1);
    line.then(Request(1), ReadReply(1, kConfigData));
    const ProbeOutcome second = ProbeConverterOn(line, {4, 9600, 0, 8, 0}, 1, 100);
    EXPECT_TRUE(second.opened);
    EXPECT_TRUE(second.answered);
    EXPECT_EQ(line.opens.size(), 2u);

    line.close();
    line.failOpens(2);
    const ProbeOutcome shut = ProbeConverterOn(line, {4, 9600, 0, 8, 0}, 1, 100);
    EXPECT_FALSE(shut.opened);
    EXPECT_FALSE(shut.answered);
    EXPECT_EQ(shut.openFailure.rfind("COM4 (", 0), 0u) << shut.openFailure;
    EXPECT_EQ(line.sent.size(), 1u); // nothing sent on the shut port
}

TEST(SearchOnLine, DamagedAndLateRepliesAreNeverListed) {
    // Address 1 answers too late for its own probe: its reply lands in the probe of address 2.
    FakeLine late;
    late.then(Request(1), {}).then(Request(2), ReadReply(1, kConfigData));
    EXPECT_TRUE(NormalSearch(late, At9600(), 2).empty());
    // Every reply with a broken CRC.
    FakeLine spoilt;
    for (std::uint8_t address = 1; address <= 3; ++address)
        spoilt.then(Request(address), Spoilt(ReadReply(address, kConfigData), 4));
    EXPECT_TRUE(NormalSearch(spoilt, At9600(), 3).empty());
    EXPECT_EQ(spoilt.left(), 0u);
}

TEST(FastSearchOnLine, FindsWhatTheNormalSearchFinds) {
    // Two rates, a converter answering at both, and silent stretches between them.
    Converters converters;
    converters.add(0x03, 0x36);
    converters.add(0x03, 0x37);
    converters.add(0x0A, 0x36);
    converters.add(0x0E, 0x37);
    FakeLine fastLine;
    FakeLine normalLine;
    converters.attach(fastLine);
    converters.attach(normalLine);
    SearchOptions options = At9600();
    options.rates[4] = true; // 19200
    const auto fast = FastSearch(fastLine, options, 15);
    ASSERT_EQ(fast.size(), 4u);
    EXPECT_EQ(Addresses(fast), (std::vector<int>{3, 10, 3, 14})); // the order they were probed in
    EXPECT_EQ(Sorted(fast), Sorted(NormalSearch(normalLine, options, 15)));
    EXPECT_EQ(fast[3].configText.substr(0, 4), "0E37");
    // The port is reopened only for the other rate, and closed at the end.
    EXPECT_EQ(fastLine.sent.size(), 30u);
    EXPECT_EQ(fastLine.closes, 1);
    EXPECT_FALSE(fastLine.isOpen());
}

TEST(FastSearchOnLine, AllParitiesListsAConverterOnceWithTheParityThatAnswered) {
    Converters converters;
    converters.add(0x02, 0x36);
    FakeLine line;
    converters.attach(line);
    const auto found = FastSearch(line, At9600(), 3, true);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].parity, UART_PARITY_NONE);
    EXPECT_EQ(line.sent.size(), 9u - 2); // address 2 is not asked again at even and odd parity
}

TEST(FastSearchOnLine, ALateReplyIsNeverListedUnderTheNextAddressAndItsOwnerIsAskedAgain) {
    const Bytes late = ReadReply(5, Join({{0x05}, Bytes(kConfigData.begin() + 1, kConfigData.end())}));
    const Bytes six = ReadReply(6, Join({{0x06}, Bytes(kConfigData.begin() + 1, kConfigData.end())}));
    struct Case {
        const char* what;
        Bytes carriedBySix;      // the first probe of 6: converter 5's late reply, maybe 6's behind it
        Bytes carriedBySixAgain; // the second probe of 6
        std::vector<int> listed;
    };
    const Case cases[] = {
        {"silent next address", late, {}, {}},
        {"next address answers behind the late reply", Join({late, six}), six, {6}},
    };
    for (const Case& c : cases) {
        FakeLine line;
        for (std::uint8_t address = 1; address <= 5; ++address)
            line.then(Request(address), {});
        line.then(Request(6), c.carriedBySix).then(Request(6), c.carriedBySixAgain).then(Request(7), {});
        EXPECT_EQ(Addresses(FastSearch(line, At9600(), 7)), c.listed) << c.what;
        EXPECT_EQ(line.left(), 0u) << c.what;
        // Each silent probe before another address spares the next one the quiet guard.
        EXPECT_EQ(line.settles, c.listed.empty() ? 6 : 5) << c.what;
    }
}

TEST(FastSearchOnLine, StopEndsTheRunWithinOneProbe) {
    const auto plan = FastSearchPlan(At9600(), false, 20);
    // Between probes: the report of the third probe stops the run.
    FakeLine between;
    FastSearchRun run(between);
    std::size_t reported = 0;
    const auto stopAfterThird = [&](const Probe&, const ProbeOutcome&) {
        if (++reported == 3)
            run.stop();
    };
    between.device = [](std::span<const std::uint8_t>, const SerialSettings&) { return Bytes{}; };
    EXPECT_EQ(run.run(plan, 1, 100, stopAfterThird), 3u);
    EXPECT_TRUE(run.stopped());
    EXPECT_FALSE(between.isOpen());
    // During a receive: the probe under way is woken and reported, no other starts.
    FakeLine during;
    FastSearchRun woken(during);
    during.then({Request(1), ReadReply(1, kConfigData), [&woken] { woken.stop(); }, 5});
    std::vector<ProbeOutcome> outcomes;
    EXPECT_EQ(woken.run(plan, 1, 10000, [&](const Probe&, const ProbeOutcome& o) { outcomes.push_back(o); }),
              1u);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].answered);
    EXPECT_EQ(during.sent.size(), 1u);
}
