// One poll of the graph display's measuring module on a scripted line: silent, short, cut and
// spoilt replies, a port that does not open.
#include <gtest/gtest.h>

#include <string>

#include "fake_line.hpp"
#include "tev/link/graph_poll.hpp"
#include "tev/sim/measuring_module.hpp"

using namespace tev;
using namespace tev::link;
using namespace tev::link::testing;

namespace {

Bytes Text(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace

TEST(GraphOnLine, EveryFailureEndsThePollAndClosesTheLine) {
    sim::MeasuringModule module;
    const Bytes statusRequest = Text("$016\r");
    const Bytes valuesRequest = Text("#010\r");
    const Bytes status = module.answer(statusRequest, {9600, 10}).bytes;
    const Bytes values = module.answer(valuesRequest, {9600, 10}).bytes;
    ASSERT_EQ(values.size(), 39u);
    Bytes notHex = status;
    notHex.at(5) = 'X';
    struct Case {
        const char* what;
        std::vector<Bytes> carried; // status reply, then values reply when it is asked for
        GraphPollStatus status;
        std::size_t received;
        std::size_t valuesShown; // values read, from the first
    };
    const Case cases[] = {
        {"values", {status, values}, GraphPollStatus::Ok, 39, 8},
        {"bytes behind the values are dropped",
         {status, Join({values, {0x00, 0x0D}})},
         GraphPollStatus::Ok,
         39,
         8},
        {"values cut within the third", {status, Cut(values, 5 + 4 * 2 + 1)}, GraphPollStatus::Ok, 14, 2},
        {"no status", {{}}, GraphPollStatus::NoStatus, 0, 0},
        {"status without its CR", {Cut(status, 10)}, GraphPollStatus::NoStatus, 0, 0},
        {"status shorter than 21 characters", {Text("!0108\r")}, GraphPollStatus::NoStatus, 0, 0},
        {"count not hexadecimal", {notHex}, GraphPollStatus::BadCount, 0, 0},
        {"no values", {status, {}}, GraphPollStatus::NoValues, 0, 0},
    };
    for (const Case& c : cases) {
        FakeLine line;
        line.then(statusRequest, c.carried[0]);
        if (c.carried.size() > 1)
            line.then(valuesRequest, c.carried[1]);
        const GraphReading reading = PollGraphModule(line, GraphSettings{});
        EXPECT_EQ(reading.status, c.status) << c.what;
        EXPECT_EQ(reading.received, c.received) << c.what;
        std::size_t shown = 0;
        while (shown < reading.values.size() && reading.values[shown])
            ++shown;
        EXPECT_EQ(shown, c.valuesShown) << c.what;
        for (std::size_t k = shown; k < reading.values.size(); ++k)
            EXPECT_FALSE(reading.values[k]) << c.what << " " << k;
        EXPECT_EQ(line.left(), 0u) << c.what;
        EXPECT_EQ(line.sent.at(0).timeoutMs, kGraphStatusTimeoutMs) << c.what;
        if (line.sent.size() > 1)
            EXPECT_EQ(line.sent[1].timeoutMs, kGraphValueTimeoutMs) << c.what;
        EXPECT_FALSE(line.isOpen()) << c.what;
    }
    FakeLine shut;
    shut.failOpens(1);
    EXPECT_EQ(PollGraphModule(shut, GraphSettings{}).status, GraphPollStatus::NoStatus);
    EXPECT_TRUE(shut.sent.empty());
}
