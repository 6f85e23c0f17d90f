// The collector's configuration: a full file read right, and bad files refused with the key and line.
#include <gtest/gtest.h>

#include "tev/collect/watch_config.hpp"

using namespace tev::collect;

namespace {

constexpr const char* kLine = "[[line]]\nport = \"COM1\"\n[[line.converter]]\naddress = 1\nname = \"a\"\n";

TEST(WatchConfig, ReadsEveryKey) {
    const auto result = ParseWatchConfig(R"(
[mqtt]
host = "broker.local"
port = 8883
username = "u"
password = "p"
client_id = "site-1"
keepalive = 30
queue = 50
tls = { cafile = "/etc/ca.pem", insecure = true }
[json]
file = "/tmp/r.jsonl"
[[line]]
port = "tcp://127.0.0.1:4001"
rate = 19200
parity = "even"
period = 5000
timeout = 200
  [[line.converter]]
  address = 3
  name = "building-a"
  [[line.converter]]
  address = 4
  name = "building-b"
)",
                                         "w.toml");
    ASSERT_TRUE(result.config) << result.error;
    const WatchConfig& c = *result.config;
    ASSERT_TRUE(c.mqtt && c.mqtt->tls && c.json);
    EXPECT_FALSE(c.csv); // only the default output
    EXPECT_EQ(c.mqtt->host, "broker.local");
    EXPECT_EQ(c.mqtt->port, 8883);
    EXPECT_EQ(c.mqtt->queue, 50u);
    EXPECT_TRUE(c.mqtt->tls->insecure);
    ASSERT_EQ(c.lines.size(), 1u);
    EXPECT_EQ(c.lines[0].rate, 19200u);
    EXPECT_EQ(c.lines[0].parity, 1);
    EXPECT_EQ(c.lines[0].periodMs, 5000);
    EXPECT_EQ(c.lines[0].timeoutMs, 200);
    ASSERT_EQ(c.lines[0].converters.size(), 2u);
    EXPECT_EQ(c.lines[0].converters[1].name, "building-b");
}

TEST(WatchConfig, WithoutOutputsWritesTheCsvLog) {
    const auto result = ParseWatchConfig(kLine, "w.toml");
    ASSERT_TRUE(result.config) << result.error;
    EXPECT_TRUE(result.config->csv);
    EXPECT_EQ(result.config->lines[0].periodMs, kDefaultPeriodMs);
}

struct BadCase {
    std::string text;
    std::string error;
};

TEST(WatchConfig, RefusesBadFilesNamingKeyAndLine) {
    const std::string line2 = "[[line]]\nport = \"COM2\"\n[[line.converter]]\naddress = 1\n";
    const BadCase cases[] = {
        {"colour = 1\n" + std::string(kLine), "w.toml:1: colour: unknown key"},
        {std::string(kLine) + "rate = 9601\n", "w.toml:6: line[1].converter[1].rate: unknown key"},
        {"[[line]]\nport = \"COM1\"\nrate = 9601\n", "w.toml:3: line[1].rate: 9601 is no rate"},
        {"[[line]]\nport = \"COM1\"\nparity = \"mark\"\n", "w.toml:3: line[1].parity: \"mark\" is none"},
        {"[[line]]\nport = \"COM1\"\nperiod = 50\n", "w.toml:3: line[1].period: 50 is out of range 100"},
        {"[[line]]\nport = \"COM1\"\nperiod = \"1s\"\n", "w.toml:3: line[1].period: must be a whole number"},
        {"[[line]]\nport = \"ttyS0\"\n", "w.toml:2: line[1].port: \"ttyS0\": give COM1"},
        {"[[line]]\nport = \"COM1\"\n", "w.toml:1: line[1]: needs at least one [[line.converter]]"},
        {std::string(kLine) + line2 + "name = \"a\"\n",
         "w.toml:10: line[2].converter[1].name: \"a\" is already"},
        {std::string(kLine) + line2 + "name = \"a/b\"\n",
         "w.toml:10: line[2].converter[1].name: \"a/b\" cannot"},
        {std::string(kLine) + line2 + "name = \"..\"\n",
         "w.toml:10: line[2].converter[1].name: \"..\" cannot name the converter's folder"},
        {std::string(kLine) + "[[line.converter]]\naddress = 1\nname = \"b\"\n",
         "w.toml:7: line[1].converter[2].address: the line has another"},
        {"[mqtt]\nport = 70000\n" + std::string(kLine), "w.toml:2: mqtt.port: 70000 is out of range"},
        {"[mqtt]\ntls = { certfile = \"c\" }\n" + std::string(kLine),
         "w.toml:2: mqtt.tls: needs cafile or capath"},
        {"[mqtt]\npassword = \"p\"\n" + std::string(kLine),
         "w.toml:2: mqtt.password: a password needs a username"},
        {"[csv]\nfolder = 3\n" + std::string(kLine), "w.toml:2: csv.folder: must be a text"},
        {"line = 3\n", "w.toml:1: line: must be tables ([[line]])"},
        {"", "w.toml:1: needs at least one [[line]]"},
        {"[[line]\n", "w.toml:1: "},
    };
    for (const BadCase& bad : cases) {
        const auto result = ParseWatchConfig(bad.text, "w.toml");
        EXPECT_FALSE(result.config) << bad.text;
        EXPECT_EQ(result.error.rfind(bad.error, 0), 0u) << bad.text << "\ngave: " << result.error;
    }
}

TEST(WatchConfig, TopicLevels) {
    EXPECT_TRUE(UsableTopicLevel("building-a"));
    EXPECT_TRUE(UsableTopicLevel("楼-1"));
    for (const char* bad :
         {"", "a/b", "a+", "#", "a\nb", "12345678901234567890123456789012345678901234567890123456789012345"})
        EXPECT_FALSE(UsableTopicLevel(bad)) << bad;
}

TEST(WatchConfig, TheSampleConfigurationIsSound) {
    const auto result = LoadWatchConfig(TEV_WATCH_EXAMPLE);
    ASSERT_TRUE(result.config) << result.error;
    EXPECT_EQ(result.config->lines.size(), 2u);
}

} // namespace
