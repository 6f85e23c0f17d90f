// tev search, config and read against simulated converters on a pseudo-terminal.
#include <gtest/gtest.h>

#include <memory>

#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"
#include "tev_process.hpp"

using namespace tev;
using tev::cli::test::RunTev;

namespace {

class ConverterCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        m_line.add(m_first);
        m_line.add(m_second);
        m_line.start();
    }
    void TearDown() override { m_line.stop(); }

    std::vector<std::string> on(std::vector<std::string> args) {
        args.insert(args.end(), {"--port", m_line.path()});
        return args;
    }

    std::shared_ptr<sim::Converter> m_first = std::make_shared<sim::Converter>(
        sim::ConverterConfig{.address = 1, .meterCount = 8}, sim::SampleMeters(8, 1000));
    std::shared_ptr<sim::Converter> m_second = std::make_shared<sim::Converter>(
        sim::ConverterConfig{.address = 3, .acquisitionTime = 120, .meterType = 2, .meterCount = 40},
        sim::SampleMeters(40, 2000));
    sim::Line m_line;
};

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

TEST_F(ConverterCommands, SearchPrintsEachConverterFound) {
    const auto run = RunTev(on({"search", "--fast", "--to", "4", "--json"}));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        run.out,
        R"({"address":1,"rate":9600,"parity":"none","name":"ZEDU-MODBUS模块","converter_address":1,)"
        R"("converter_rate":9600,"acquisition_time":60,"meter_type":0,"meters":8,"converter_parity":"none",)"
        R"("mode":"secondary","config":"0136003C0008000001"})"
        "\n"
        R"({"address":3,"rate":9600,"parity":"none","name":"ZEDU-MODBUS模块","converter_address":3,)"
        R"("converter_rate":9600,"acquisition_time":120,"meter_type":2,"meters":40,"converter_parity":"none",)"
        R"("mode":"secondary","config":"033600780228000001"})"
        "\n");
    const auto paced = RunTev(on({"search", "--from", "2", "--to", "3", "--csv"}));
    EXPECT_EQ(paced.status, 0) << paced.err;
    EXPECT_EQ(Lines(paced.out), 2u) << paced.out; // header and converter 3
    EXPECT_EQ(RunTev(on({"search", "--fast", "--from", "4", "--to", "9"})).status, 4) << "none found";
}

TEST_F(ConverterCommands, ConfigSetFollowsTheConverterAndReadsItBack) {
    const auto run = RunTev(on({"config", "set", "-a", "3", "--acquisition-time", "90", "--meters", "12",
                                "--new-parity", "even", "--new-address", "9", "--new-rate", "19200"}));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Lines(run.out), 5u) << run.out;
    EXPECT_NE(run.out.find("step=read-back converter_address=9 converter_rate=19200 acquisition_time=90 "
                           "meter_type=2 meters=12 converter_parity=even"),
              std::string::npos)
        << run.out;
    const sim::ConverterConfig config = m_second->config();
    EXPECT_EQ(config.address, 9);
    EXPECT_EQ(config.baudCode, 0x37);
    EXPECT_EQ(config.parity, 1);
}

// A write that is not echoed as sent stops the run: nothing after it is sent, nothing is reported done.
TEST_F(ConverterCommands, ConfigSetStopsAtAnUnconfirmedWrite) {
    struct Case {
        const char* name;
        sim::Converter::WriteFault fault;
    };
    for (const Case& c : {Case{"exception", sim::Converter::WriteFault::Refuse},
                          Case{"wrong echo", sim::Converter::WriteFault::WrongEcho},
                          Case{"corrupted echo", sim::Converter::WriteFault::BadChecksum}}) {
        m_first->setWriteFault(c.fault);
        const auto before = m_first->config();
        const auto run =
            RunTev(on({"config", "set", "-a", "1", "--acquisition-time", "99", "--new-address", "5"}));
        EXPECT_EQ(run.status, 5) << c.name << run.err;
        EXPECT_EQ(run.out.find("result=done"), std::string::npos) << c.name << run.out;
        EXPECT_NE(run.out.find("step=address-and-rate register=6000 value=\"5 9600\" result=\"not sent\""),
                  std::string::npos)
            << c.name << run.out;
        EXPECT_EQ(m_first->config().address, before.address) << c.name;
        EXPECT_EQ(m_first->config().acquisitionTime, before.acquisitionTime) << c.name;
    }
}

TEST_F(ConverterCommands, ReadMarksStaleMetersAndFailsForThem) {
    const auto run = RunTev(on({"read", "-a", "1", "--json"}));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Lines(run.out), 8u);
    EXPECT_NE(run.out.find(R"({"meter":6,"secondary":"000010050107","type":3,"type_name":"03-超声波热量表",)"
                           R"("link":"disconnected","status":"1B","serial":"00001005",)"),
              std::string::npos)
        << run.out;
    m_first->setReadLimit(5, 0x04); // the configuration still reads, every block is refused
    const auto stale = RunTev(on({"read", "-a", "1", "--meter", "2"}));
    EXPECT_EQ(stale.status, 4) << stale.err;
    EXPECT_EQ(stale.out, "meter=2 secondary=\"\" type=2 type_name=02-通用水表 link=\"\" status=\"\" serial=\"\" "
                         "flow=\"\" stale=true\n");
}

// A paced search of 255 addresses takes minutes; SIGINT ends it at once with exit status 1.
TEST_F(ConverterCommands, InterruptEndsTheSearch) {
    m_line.options().replyDelayMs = 400; // the probe under way is waiting when the signal comes
    const auto run = RunTev(on({"search", "--from", "2", "--timeout", "1000"}), 300);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_LT(run.elapsedMs, 1000);
    EXPECT_NE(run.err.find("interrupted"), std::string::npos) << run.err;
}

TEST_F(ConverterCommands, PortAndUsageErrorsSendNothing) {
    EXPECT_EQ(RunTev({"config", "get", "--port", "/dev/tev-no-such-device", "-a", "1"}).status, 3);
    for (const std::vector<std::string>& words :
         std::vector<std::vector<std::string>>{{"config", "set", "-a", "1", "--meters", "65"},
                                               {"config", "set", "-a", "1", "--bogus"},
                                               {"config", "set", "-a", "1"},
                                               {"search", "--rate", "300"},
                                               {"config", "get", "-a", "1", "--timeout", "500"},
                                               {"meters", "import", "-a", "1"}}) {
        const auto run = RunTev(on(words));
        EXPECT_EQ(run.status, 2) << words.back() << run.err;
        EXPECT_NE(run.err, "");
    }
    EXPECT_EQ(m_line.options().framesHeard.load(), 0u);
    EXPECT_EQ(RunTev({"nothing"}).status, 2);
}
