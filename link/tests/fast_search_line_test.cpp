// The fast search: its probe order, and a run against simulated converters on a pseudo-terminal,
// where uart's quiet guard meets a late reply. The rest of its logic is tested on a scripted line
// (search_fake_test.cpp).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tev/link/converter_probe.hpp"
#include "tev/link/fast_search.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

using namespace tev;
using namespace tev::link;

namespace {

constexpr std::uint8_t kPort = 12;

std::shared_ptr<sim::Converter> SimConverter(std::uint8_t address, std::uint8_t baudCode) {
    sim::ConverterConfig c;
    c.address = address;
    c.baudCode = baudCode;
    c.meterType = 0x10;
    c.meterCount = 2;
    return std::make_shared<sim::Converter>(c, sim::SampleMeters(2, 1000));
}

SearchOptions Options(std::initializer_list<std::size_t> boxes, std::uint16_t timeoutMs = 100) {
    SearchOptions o;
    o.port = kPort;
    for (auto box : boxes)
        o.rates[box] = true;
    o.timeoutMs = timeoutMs;
    return o;
}

std::vector<Converter> FastSearch(const SearchOptions& options, int lastAddress, bool allParities = false) {
    ConverterSearch search;
    search.setLastAddress(lastAddress);
    search.start(options);
    const auto plan = FastSearchPlan(options, allParities, search.lastAddress());
    FastSearchRun run;
    const std::size_t probed =
        run.run(plan, options.port, options.timeoutMs, [&](const Probe& probe, const ProbeOutcome& outcome) {
            EXPECT_TRUE(outcome.opened) << outcome.openFailure;
            search.record(probe, outcome.reply);
        });
    // Only an address found before is left out, at another parity.
    EXPECT_EQ(probed + (allParities ? 2 * search.found().size() : 0), plan.size());
    return search.found();
}

std::vector<int> Addresses(const std::vector<Converter>& found) {
    std::vector<int> addresses;
    for (const Converter& c : found)
        addresses.push_back(c.address);
    return addresses;
}

class FastSearchLine : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("TEV_COM12", m_line.path().c_str(), 1); }
    void TearDown() override { m_line.stop(); }
    sim::Line m_line;
};

} // namespace

TEST(FastSearchPlan, EveryAddressAtOneRateBeforeTheNextRateThenTheNextParity) {
    struct Case {
        const char* what;
        SearchOptions options;
        bool allParities;
        std::vector<Probe> plan;
    };
    SearchOptions even = Options({4, 3});
    even.parity = 1;
    const Case cases[] = {
        {"two rates", even, false, {{1, 9600, 1}, {2, 9600, 1}, {1, 19200, 1}, {2, 19200, 1}}},
        {"all parities",
         Options({3}),
         true,
         {{1, 9600, 0}, {2, 9600, 0}, {1, 9600, 1}, {2, 9600, 1}, {1, 9600, 2}, {2, 9600, 2}}},
        {"no rate", Options({}), true, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FastSearchPlan(c.options, c.allParities, 2), c.plan) << c.what;
    const auto full = FastSearchPlan(Options({0}), false);
    ASSERT_EQ(full.size(), 255u);
    EXPECT_EQ(full.front(), (Probe{1, 1200, 0}));
    EXPECT_EQ(full.back(), (Probe{255, 1200, 0}));
}

TEST_F(FastSearchLine, ALateReplyIsNeverListedUnderTheNextAddress) {
    // Converter 5's first reply comes 150 ms after the request, 50 ms after the probe gave up, and so
    // lands in the probe of address 6.
    struct Case {
        const char* what;
        std::vector<std::uint8_t> converters;
        std::vector<int> listed;
    };
    const Case cases[] = {
        {"silent next address", {5}, {}},
        {"next address answers behind the late reply", {5, 6}, {6}},
    };
    for (const Case& c : cases) {
        sim::Line line;
        for (const auto address : c.converters)
            line.add(SimConverter(address, 0x36));
        line.options().lateReplies = 1;
        line.options().lateReplyMs = 150;
        line.start();
        ::setenv("TEV_COM13", line.path().c_str(), 1);
        SearchOptions options = Options({3});
        options.port = 13;
        const auto found = FastSearch(options, 7);
        EXPECT_EQ(Addresses(found), c.listed) << c.what;
        for (const Converter& converter : found)
            EXPECT_EQ(converter.configText.substr(0, 2), ShownAddress(converter)) << c.what;
        line.stop();
    }
}
