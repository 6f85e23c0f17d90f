// The collector against simulated converters on pseudo-terminals and a real mosquitto broker on a
// loopback port: topics and payloads, a broker restart, a converter that falls silent, and the tev
// program's signals.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "mqtt_peers.hpp"
#include "tev/collect/collector.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

using namespace tev;
using namespace tev::collect;
using namespace std::chrono_literals;
using peers::Topics;

namespace {

constexpr int kMeters = 3;
constexpr std::size_t kTopicsPerConverter = kMeters + 8 + 1; // meters, counters, status

std::string Field(const std::string& payload, const std::string& key) {
    const auto at = payload.find("\"" + key + "\":");
    if (at == std::string::npos)
        return {};
    const auto from = at + key.size() + 3;
    return payload.substr(from, payload.find_first_of(",}", from) - from);
}

class WatchLine : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_broker.start());
        m_subscriber = std::make_unique<peers::Subscriber>(m_broker.port());
        m_folder = std::filesystem::temp_directory_path() / ("tev-watch-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_folder);
        for (int i = 0; i < 2; ++i) {
            m_devices[i] = std::make_shared<sim::Converter>(
                sim::ConverterConfig{.address = static_cast<std::uint8_t>(i + 1), .meterCount = kMeters},
                sim::SampleMeters(kMeters, 30000000 + 100 * i));
            m_lines[i].add(m_devices[i]);
            m_lines[i].start();
        }
    }
    void TearDown() override {
        m_collector.reset();
        for (auto& line : m_lines)
            line.stop();
        std::filesystem::remove_all(m_folder);
    }

    WatchConfig watchConfig() const {
        WatchConfig config;
        config.mqtt = MqttConfig{};
        config.mqtt->port = m_broker.port();
        config.csv = CsvConfig{m_folder};
        config.json = JsonConfig{(m_folder / "readings.jsonl").string()};
        for (int i = 0; i < 2; ++i)
            config.lines.push_back({m_lines[i].path(),
                                    9600,
                                    0,
                                    300,
                                    0,
                                    {{static_cast<std::uint8_t>(i + 1), i == 0 ? "a" : "b"}}});
        return config;
    }
    void startCollector() {
        m_collector = std::make_unique<Collector>(watchConfig(), m_out, m_notices);
        std::string problem;
        ASSERT_TRUE(m_collector->start(problem)) << problem;
    }
    bool allTopics(std::size_t converters = 2, std::chrono::milliseconds timeout = 10s) {
        return m_subscriber->waitFor(
            [&](const Topics& t) { return t.size() >= converters * kTopicsPerConverter; }, timeout);
    }

    peers::Broker m_broker;
    std::unique_ptr<peers::Subscriber> m_subscriber; // made once the broker runs
    std::filesystem::path m_folder;
    std::shared_ptr<sim::Converter> m_devices[2];
    sim::Line m_lines[2];
    std::ostringstream m_out, m_err;
    Notices m_notices{m_err};
    std::unique_ptr<Collector> m_collector;
};

TEST_F(WatchLine, PublishesEveryMeterOfEveryLine) {
    startCollector();
    ASSERT_TRUE(allTopics()) << m_err.str();
    const Topics topics = m_subscriber->topics();
    EXPECT_EQ(topics.at("tev/a/status"), "online");
    const std::string meter = topics.at("tev/b/2");
    EXPECT_EQ(Field(meter, "serial"), "\"" + std::to_string(m_devices[1]->entry(1).serial) + "\"");
    EXPECT_EQ(Field(meter, "link"), "1");
    EXPECT_EQ(Field(meter, "stale"), "false");
    EXPECT_NE(Field(meter, "time"), "null");
    EXPECT_TRUE(topics.count("tev/a/counter/8"));
    m_collector->stop();
    EXPECT_TRUE(m_subscriber->waitFor([](const Topics& t) { return t.at("tev/a/status") == "offline"; }, 5s));
    std::ifstream json(m_folder / "readings.jsonl");
    std::string first;
    std::getline(json, first);
    EXPECT_EQ(first.rfind("{\"converter\":", 0), 0u) << first;
    for (const char* name : {"a", "b"}) { // a log of its own each: the lines only name the address
        bool csv = false;
        for (const auto& file : std::filesystem::directory_iterator(m_folder / name))
            csv = csv || file.path().filename().string().rfind("overview-", 0) == 0;
        EXPECT_TRUE(csv) << name;
    }
}

TEST_F(WatchLine, BrokerRestartLosesNoReading) {
    m_broker.stop(); // not there at the start either
    startCollector();
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(m_broker.start());
    ASSERT_TRUE(allTopics(2, 20s)) << m_err.str();
    m_broker.stop();
    auto record = m_devices[0]->entry(0);
    record.serial = 31415926;
    m_devices[0]->setEntry(0, record);
    std::this_thread::sleep_for(1500ms); // refreshes while the broker is away
    m_subscriber->forget();              // the restarted broker has no retained messages
    ASSERT_TRUE(m_broker.start());
    EXPECT_TRUE(allTopics(2, 20s)) << m_err.str();
    EXPECT_TRUE(m_subscriber->waitFor(
        [](const Topics& t) {
            return t.count("tev/a/1") && Field(t.at("tev/a/1"), "serial") == "\"31415926\"";
        },
        5s));
    EXPECT_EQ(m_collector->mqttCounts().dropped, 0u);
    EXPECT_GT(m_collector->mqttCounts().replaced, 0u);
}

TEST_F(WatchLine, SilentConverterIsStaleThenRecovers) {
    startCollector();
    ASSERT_TRUE(allTopics()) << m_err.str();
    m_lines[0].options().dropReplies = -1;
    const auto stale = [](const Topics& t) { return Field(t.at("tev/a/1"), "stale") == "true"; };
    ASSERT_TRUE(m_subscriber->waitFor(stale, 10s));
    const auto history = m_subscriber->history("tev/a/1");
    const auto firstStale = std::find_if(history.begin(), history.end(),
                                         [](const std::string& p) { return Field(p, "stale") == "true"; });
    ASSERT_NE(firstStale, history.begin());
    const std::string lastGood = *(firstStale - 1);
    EXPECT_EQ(Field(*firstStale, "time"), Field(lastGood, "time")); // the time of the values it holds
    EXPECT_EQ(Field(*firstStale, "flow"), Field(lastGood, "flow"));
    EXPECT_EQ(Field(m_subscriber->topics().at("tev/b/1"), "stale"), "false"); // the other line goes on
    m_lines[0].options().dropReplies = 0;
    EXPECT_TRUE(m_subscriber->waitFor([&](const Topics& t) { return !stale(t); }, 10s));
    EXPECT_NE(m_err.str().find("converter a"), std::string::npos) << m_err.str();
}

TEST_F(WatchLine, LogsInWithUserAndPassword) {
    peers::Broker guarded;
    ASSERT_TRUE(guarded.requirePassword("meter", "s3cret"));
    ASSERT_TRUE(guarded.start());
    for (const char* password : {"wrong", "s3cret"}) {
        WatchConfig config = watchConfig();
        config.mqtt->port = guarded.port();
        config.mqtt->username = "meter";
        config.mqtt->password = password;
        config.lines.resize(1);
        Collector collector(config, m_out, m_notices);
        std::string problem;
        ASSERT_TRUE(collector.start(problem)) << problem;
        std::this_thread::sleep_for(1500ms);
        collector.stop(100ms);
        if (std::string(password) == "wrong")
            EXPECT_EQ(collector.mqttCounts().published, 0u);
        else
            EXPECT_GE(collector.mqttCounts().published, kTopicsPerConverter);
    }
    EXPECT_NE(m_err.str().find("MQTT a: the broker refused"), std::string::npos) << m_err.str();
}

TEST_F(WatchLine, PublishesOverTls) {
    peers::Broker guarded;
    const std::string cert = guarded.requireTls();
    ASSERT_FALSE(cert.empty());
    ASSERT_TRUE(guarded.start());
    for (const std::string& trusted : {std::string("/etc/ssl/certs/ca-certificates.crt"), cert}) {
        WatchConfig config = watchConfig();
        config.mqtt->port = guarded.port();
        config.mqtt->tls = MqttTls{};
        config.mqtt->tls->cafile = trusted;
        config.lines.resize(1);
        Collector collector(config, m_out, m_notices);
        std::string problem;
        ASSERT_TRUE(collector.start(problem)) << problem;
        std::this_thread::sleep_for(1500ms);
        collector.stop(100ms);
        // Not trusted by the system's authorities, trusted as the file given.
        EXPECT_EQ(collector.mqttCounts().published > 0, trusted == cert) << trusted << m_err.str();
    }
}

void WriteFile(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file) << text;
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(WatchLine, ProgramReloadsOnHangupAndEndsOnTerm) {
    const auto config = m_folder / "watch.toml";
    const auto text = [&](const char* name) {
        return "[mqtt]\nport = " + std::to_string(m_broker.port()) + "\n[[line]]\nport = \"" +
               m_lines[0].path() + "\"\nperiod = 300\n[[line.converter]]\naddress = 1\nname = \"" + name +
               "\"\n";
    };
    WriteFile(config, text("a"));
    const auto errors = m_folder / "stderr.txt";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL); // gone with the test, however it ends
        const int fd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 2);
        ::execl(TEV_PROGRAM, "tev", "watch", "--config", config.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    struct Reaper { // ends the program when an assertion leaves the test early
        pid_t pid;
        ~Reaper() {
            if (::waitpid(pid, nullptr, WNOHANG) == 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
    } reaper{pid};
    ASSERT_TRUE(allTopics(1)) << ReadFile(errors);
    WriteFile(config, "colour = 1\n");
    ::kill(pid, SIGHUP);
    for (int i = 0; i < 100 && ReadFile(errors).find("not reloaded") == std::string::npos; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_NE(ReadFile(errors).find("watch.toml:1: colour: unknown key"), std::string::npos)
        << ReadFile(errors);
    WriteFile(config, text("c"));
    ::kill(pid, SIGHUP);
    EXPECT_TRUE(m_subscriber->waitFor(
        [](const Topics& t) { return t.count("tev/c/1") && t.at("tev/a/status") == "offline"; }, 10s));
    ::kill(pid, SIGTERM);
    int status = -1;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << ReadFile(errors);
    EXPECT_TRUE(m_subscriber->waitFor([](const Topics& t) { return t.at("tev/c/status") == "offline"; }, 5s));
}

} // namespace

// The simulator gone (its terminal hung up, as when tev-sim is killed) and started again on another
// terminal behind the same link, as tev-sim --link keeps it: the meters turn stale, then fresh again
// without restarting the collector.
TEST_F(WatchLine, SimulatorGoneThenBackBehindItsLink) {
    auto first = std::make_unique<sim::Line>();
    first->add(m_devices[0]);
    first->start();
    const auto link = m_folder / "line-a";
    std::filesystem::create_symlink(first->path(), link);
    WatchConfig config = watchConfig();
    config.lines[0].port = link.string();
    m_collector = std::make_unique<Collector>(config, m_out, m_notices);
    std::string problem;
    ASSERT_TRUE(m_collector->start(problem)) << problem;
    ASSERT_TRUE(allTopics()) << m_err.str();
    first.reset();
    const auto stale = [](const Topics& t) { return Field(t.at("tev/a/1"), "stale") == "true"; };
    ASSERT_TRUE(m_subscriber->waitFor(stale, 10s)) << m_err.str();
    sim::Line again;
    again.add(m_devices[0]);
    again.start();
    std::filesystem::remove(link);
    std::filesystem::create_symlink(again.path(), link);
    EXPECT_TRUE(m_subscriber->waitFor([&](const Topics& t) { return !stale(t); }, 15s)) << m_err.str();
    m_collector->stop();
}
