#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "tev/link/meter_overview.hpp"
#include "tev/link/overview_log.hpp"

using namespace tev::link;
namespace fs = std::filesystem;

namespace {

using Blocks = std::vector<std::pair<int, int>>; // start, count

Blocks StartsAndCounts(const std::vector<ReadBlock>& plan, BlockKind kind) {
    Blocks out;
    for (const ReadBlock& b : plan)
        if (b.kind == kind)
            out.emplace_back(b.start, b.count);
    return out;
}

TEST(MeterOverview, BlockPlan) {
    const struct {
        int meters;
        BlockLimits limits;
        Blocks values, status, secondary, types;
    } cases[] = {
        {8, kDefaultBlockLimits, {{0, 32}, {256, 32}}, {{5000, 8}, {5064, 8}}, {{7000, 24}}, {{8000, 4}}},
        {40,
         kDefaultBlockLimits,
         {{0, 124}, {124, 36}, {256, 32}},
         {{5000, 40}, {5064, 8}},
         {{7000, 96}, {7096, 24}},
         {{8000, 20}}},
        {64,
         kDefaultBlockLimits,
         {{0, 124}, {124, 124}, {248, 40}},
         {{5000, 72}},
         {{7000, 96}, {7096, 96}},
         {{8000, 32}}},
        // Smaller limits never cut an entry; gaps of up to six registers are read through.
        {63,
         {60, 30, 50, 10},
         {{0, 60}, {60, 60}, {120, 60}, {180, 60}, {240, 48}},
         {{5000, 30}, {5030, 30}, {5060, 12}},
         {{7000, 48}, {7048, 48}, {7096, 48}, {7144, 45}},
         {{8000, 10}, {8010, 10}, {8020, 10}, {8030, 2}}},
        {62,
         kDefaultBlockLimits,
         {{0, 124}, {124, 124}, {256, 32}},
         {{5000, 72}},
         {{7000, 96}, {7096, 90}},
         {{8000, 31}}},
        {0, kDefaultBlockLimits, {{256, 32}}, {{5064, 8}}, {}, {}},
    };
    for (const auto& c : cases) {
        const auto plan = PlanOverview(c.meters, c.limits, true);
        EXPECT_EQ(StartsAndCounts(plan, BlockKind::Values), c.values) << c.meters;
        EXPECT_EQ(StartsAndCounts(plan, BlockKind::Status), c.status) << c.meters;
        EXPECT_EQ(StartsAndCounts(plan, BlockKind::Secondary), c.secondary) << c.meters;
        EXPECT_EQ(StartsAndCounts(plan, BlockKind::Types), c.types) << c.meters;
        EXPECT_EQ(PlanOverview(c.meters, c.limits, false).size(),
                  c.values.size() + c.status.size()); // the list only while it is unknown
    }
    const auto plan = PlanOverview(64, kDefaultBlockLimits, false);
    EXPECT_EQ(plan.back().entries, (std::vector<int>{62, 63, 64, 65, 66, 67, 68, 69, 70, 71}));
    // 64 meters at 9600 bit/s: four exchanges, 772 bytes on the wire.
    EXPECT_EQ(MinimumPeriodMs(plan, 9600, 0), 900);
    EXPECT_EQ(BlockTimeoutMs(plan.front(), 9600, 0), 164 + 150); // 72 registers: 157 bytes, 163.5 ms
}

OverviewRow Row(int entry, bool fresh) {
    OverviewRow row;
    row.entry = entry;
    row.secondary = "123456780107";
    row.type = 2;
    row.status = tev::protocol::MeterStatus{1, 0x1B};
    row.values = tev::protocol::MeterValues{12345678, 10.5F};
    row.statusFresh = row.valuesFresh = fresh;
    return row;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    if (at < text.size())
        lines.push_back(text.substr(at)); // a line without its end
    return lines;
}

class OverviewLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/overview-log-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
    const WallClock::time_point m_at = WallClock::now();
};

TEST(OverviewCsv, Quoting) {
    const std::pair<std::string, std::string> cases[] = {{"plain", "plain"},
                                                         {"a,b", "\"a,b\""},
                                                         {"say \"hi\"", "\"say \"\"hi\"\"\""},
                                                         {"x\ny", "\"x\ny\""},
                                                         {"", ""}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(CsvField(in), out);
    EXPECT_EQ(CsvLine({"a", "b,c", ""}), "a,\"b,c\",\r\n");
}

TEST_F(OverviewLogTest, TwoRefreshesAppendToOneFile) {
    OverviewLog log(m_dir);
    ASSERT_TRUE(log.append(m_at, 0x0A, {Row(0, true), Row(64, true)})) << log.error();
    ASSERT_TRUE(log.append(m_at, 0x0A, {Row(0, false), Row(64, true)})) << log.error();
    EXPECT_EQ(log.file(), m_dir / OverviewLogName(m_at));
    const std::string text = ReadAll(log.file());
    ASSERT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u);
    EXPECT_EQ(text.find("\xEF\xBB\xBF", 1), std::string::npos); // BOM once
    const auto lines = Lines(text.substr(3));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], kOverviewLogHeader);
    const std::string time = IsoTime(m_at);
    EXPECT_EQ(lines[1], time + ",0A,1号表,123456780107,02,通,1B,12345678,10.500000");
    EXPECT_EQ(lines[2], time + ",0A,1号计数器,123456780107,02,通,1B,12345678,10.500000");
    EXPECT_EQ(lines[3], time + ",0A,1号表,123456780107,02,,,,"); // stale: nothing repeated

    // The same day again (another run): no second BOM or header.
    OverviewLog again(m_dir);
    ASSERT_TRUE(again.append(m_at, 0x0A, {Row(1, true)}));
    EXPECT_EQ(Lines(ReadAll(again.file()).substr(3)).size(), 6u);
}

TEST_F(OverviewLogTest, NewFilePerDayAndAtTheSizeLimit) {
    OverviewLog log(m_dir, 400);
    ASSERT_TRUE(log.append(m_at, 1, {Row(0, true), Row(1, true)}));
    ASSERT_TRUE(log.append(m_at, 1, {Row(0, true), Row(1, true)}));
    EXPECT_EQ(log.file(), m_dir / OverviewLogName(m_at, 2));
    const auto tomorrow = m_at + std::chrono::hours(24);
    ASSERT_TRUE(log.append(tomorrow, 1, {Row(0, true)}));
    EXPECT_EQ(log.file(), m_dir / OverviewLogName(tomorrow));
    for (const auto& file : {OverviewLogName(m_at, 2), OverviewLogName(tomorrow)})
        EXPECT_EQ(ReadAll(m_dir / file).rfind("\xEF\xBB\xBF", 0), 0u) << file;
}

TEST_F(OverviewLogTest, UnwritablePlacesAreReported) {
    std::ofstream(m_dir / "file") << "x";
    fs::create_directory(m_dir / "locked");
    fs::permissions(m_dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    const struct {
        fs::path folder;
        std::string text;
    } cases[] = {
        {m_dir / "missing", "不存在"}, {m_dir / "file", "不是文件夹"}, {m_dir / "locked", "没有权限"}};
    for (const auto& c : cases) {
        if (c.text == "没有权限" && ::geteuid() == 0)
            continue; // root writes anywhere
        OverviewLog log(c.folder);
        EXPECT_FALSE(log.append(m_at, 1, {Row(0, true)}));
        EXPECT_NE(log.error().find(c.folder.string()), std::string::npos) << log.error();
        EXPECT_NE(log.error().find(c.text), std::string::npos) << log.error();
    }
}

TEST_F(OverviewLogTest, ARemovedFileIsMadeAnewAndARemovedFolderStopsTheLog) {
    OverviewLog log(m_dir);
    ASSERT_TRUE(log.append(m_at, 1, {Row(0, true)}));
    fs::remove(log.file());
    ASSERT_TRUE(log.append(m_at, 1, {Row(1, true)})) << log.error();
    const auto lines = Lines(ReadAll(log.file()).substr(3));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], kOverviewLogHeader);
    EXPECT_NE(lines[1].find(",2号表,"), std::string::npos);

    fs::remove_all(m_dir);
    EXPECT_FALSE(log.append(m_at, 1, {Row(2, true)}));
    EXPECT_NE(log.error().find(m_dir.string() + ": 不存在"), std::string::npos) << log.error();
}

TEST_F(OverviewLogTest, KilledWriterLeavesReadableFile) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        OverviewLog log(m_dir);
        std::vector<OverviewRow> rows;
        for (int e = 0; e < 72; ++e)
            rows.push_back(Row(e, true));
        for (;;)
            if (!log.append(m_at, 1, rows))
                ::_exit(1);
    }
    ::usleep(150 * 1000);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    // A later run continues the file; every line read back is whole except at most one cut line.
    OverviewLog log(m_dir);
    ASSERT_TRUE(log.append(m_at, 1, {Row(5, true)}));
    const auto lines = Lines(ReadAll(log.file()).substr(3));
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(lines.front(), kOverviewLogHeader);
    int cut = 0;
    for (std::size_t i = 1; i < lines.size(); ++i)
        if (std::count(lines[i].begin(), lines[i].end(), ',') != 8 ||
            lines[i].find("10.500000") == std::string::npos)
            ++cut;
    EXPECT_LE(cut, 1);
    EXPECT_NE(lines.back().find(",6号表,"), std::string::npos);
}

} // namespace
