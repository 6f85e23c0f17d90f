// Readings: the payload's JSON, stale rows carrying their last sound values with the time they were
// read, and the publish queue's bound.
#include <gtest/gtest.h>

#include <fstream>

#include "file_size_limit.hpp"

#include <filesystem>
#include <sstream>
#include <unistd.h>

#include "tev/collect/json_sink.hpp"
#include "tev/collect/mqtt_sink.hpp"
#include "tev/collect/publish_queue.hpp"
#include "tev/collect/reading.hpp"
#include "tev/link/overview_log.hpp"

using namespace tev;
using namespace tev::collect;

namespace {

link::OverviewRow FreshRow(int entry, std::int32_t serial, float flow, link::WallClock::time_point at) {
    link::OverviewRow row;
    row.entry = entry;
    row.type = 7;
    row.status = protocol::MeterStatus{1, 0x10};
    row.values = protocol::MeterValues{serial, flow};
    row.statusFresh = row.valuesFresh = true;
    row.updated = at;
    return row;
}

TEST(Reading, PayloadHoldsTheDocumentedFields) {
    const auto at = link::WallClock::now();
    ReadingBook book;
    const auto readings = book.update({FreshRow(0, 1234, 12.5F, at)});
    ASSERT_EQ(readings.size(), 1u);
    EXPECT_EQ(ReadingPayload(readings[0]), "{\"serial\":\"00001234\",\"type\":7,\"link\":1,\"status\":16,"
                                           "\"flow\":12.5,\"time\":\"" +
                                               link::IsoTime(at) + "\",\"stale\":false}");
    EXPECT_EQ(ReadingPayload(MeterReading{}), "{\"serial\":null,\"type\":null,\"link\":null,\"status\":null,"
                                              "\"flow\":null,\"time\":null,\"stale\":true}");
    EXPECT_EQ(ReadingTopic("a", 0), "tev/a/1");
    EXPECT_EQ(ReadingTopic("a", 63), "tev/a/64");
    EXPECT_EQ(ReadingTopic("a", 65), "tev/a/counter/2");
}

TEST(Reading, StaleRowsKeepTheirLastSoundValuesAndTime) {
    const auto first = link::WallClock::now() - std::chrono::minutes(1);
    ReadingBook book;
    book.update({FreshRow(0, 1, 1.0F, first), FreshRow(1, 2, 2.0F, first)});
    auto row0 = FreshRow(0, 1, 9.0F, first + std::chrono::seconds(10));
    row0.statusFresh = false; // values read again, status not: the row is stale
    link::OverviewRow row2;   // never read
    row2.entry = 2;
    const auto readings = book.update({row0, FreshRow(1, 2, 3.0F, first + std::chrono::seconds(10)), row2});
    ASSERT_EQ(readings.size(), 3u);
    EXPECT_TRUE(readings[0].stale);
    EXPECT_EQ(readings[0].time, first); // never the newer time
    EXPECT_EQ(readings[0].flow, 1.0F);  // nor a half-read value
    EXPECT_FALSE(readings[1].stale);
    EXPECT_EQ(readings[1].flow, 3.0F);
    EXPECT_TRUE(readings[2].stale);
    EXPECT_FALSE(readings[2].time || readings[2].serial);
    const std::string name = "b";
    const std::vector<link::OverviewRow> rows;
    const std::string lines = JsonLines({name, 5, first, rows, readings});
    EXPECT_EQ(lines.substr(0, 46), "{\"converter\":\"b\",\"address\":5,\"meter\":1,\"serial");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3);
}

TEST(PublishQueue, NewerReadingReplacesThenOldestIsDropped) {
    PublishQueue queue(3);
    for (const char* topic : {"t/1", "t/2", "t/1", "t/3", "t/4", "t/2"})
        queue.push({topic, std::string("v") + topic});
    EXPECT_EQ(queue.replaced(), 2u); // t/1 then t/2 again
    EXPECT_EQ(queue.dropped(), 1u);  // t/1, the oldest, for t/4
    std::vector<std::string> order;
    while (auto message = queue.pop())
        order.push_back(message->topic);
    EXPECT_EQ(order, (std::vector<std::string>{"t/2", "t/3", "t/4"}));
    queue.push({"t/5", "new"});
    queue.pushFront({"t/5", "old"}); // a newer one waits: the old one goes
    queue.pushFront({"t/6", "back"});
    EXPECT_EQ(queue.pop()->topic, "t/6");
    EXPECT_EQ(queue.pop()->payload, "new");
    EXPECT_EQ(queue.replaced(), 3u);
}

TEST(JsonSink, AppendsAndStartsAnewAtTheLimit) {
    const auto folder = std::filesystem::temp_directory_path() / ("tev-json-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto file = folder / "r.jsonl";
    std::ostringstream out, err;
    Notices notices(err);
    const std::string name = "a";
    const std::vector<link::OverviewRow> rows;
    const std::vector<MeterReading> readings(2);
    {
        JsonSink sink(file.string(), out, notices, 300);
        for (int i = 0; i < 3; ++i) // 2 lines of ~130 bytes each time
            sink.take({name, 1, link::WallClock::now(), rows, readings});
    }
    EXPECT_TRUE(std::filesystem::exists(folder / "r.jsonl.1"));
    EXPECT_LT(std::filesystem::file_size(file), 300u);
    JsonSink broken((folder / "no" / "r.jsonl").string(), out, notices);
    broken.take({name, 1, link::WallClock::now(), rows, readings});
    EXPECT_NE(err.str().find("cannot open"), std::string::npos) << err.str();
    EXPECT_TRUE(out.str().empty());
    std::filesystem::remove_all(folder);
}

// A full disk: the refresh that does not fit is told and leaves no line cut short; once there is
// room again the lines go on, whole.
TEST(JsonSink, FullDiskKeepsWholeLines) {
    const auto folder = std::filesystem::temp_directory_path() / ("tev-json-full-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto file = folder / "r.jsonl";
    std::ostringstream out, err;
    Notices notices(err);
    const std::string name = "a";
    const std::vector<link::OverviewRow> rows;
    const std::vector<MeterReading> readings(3);
    JsonSink sink(file.string(), out, notices);
    sink.take({name, 1, link::WallClock::now(), rows, readings});
    const auto whole = std::filesystem::file_size(file);
    {
        FileSizeLimit full(whole + whole / 2); // room for half a refresh
        sink.take({name, 1, link::WallClock::now(), rows, readings});
    }
    EXPECT_EQ(std::filesystem::file_size(file), whole);
    EXPECT_NE(err.str().find("cannot write"), std::string::npos) << err.str();
    sink.take({name, 1, link::WallClock::now(), rows, readings});
    EXPECT_NE(err.str().find("written again"), std::string::npos) << err.str();
    std::ifstream in(file);
    int lines = 0;
    for (std::string line; std::getline(in, line); ++lines)
        EXPECT_TRUE(line.front() == '{' && line.back() == '}') << line;
    EXPECT_EQ(lines, 6);
    std::filesystem::remove_all(folder);
}

} // namespace
