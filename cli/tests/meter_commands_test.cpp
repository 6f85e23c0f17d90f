// tev meters and tev mbus against simulated converters and M-Bus meters on pseudo-terminals.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"
#include "tev/sim/mbus_meter.hpp"
#include "tev_process.hpp"

using namespace tev;
using tev::cli::test::RunTev;

namespace {

constexpr std::string_view kGbkWaterMeter = "05-\xCB\xAE\xB1\xED"; // "05-水表" in GBK

std::string Folder() {
    std::string pattern = "/tmp/tev-cli-meters-XXXXXX";
    return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string("/tmp");
}

void Write(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class MeterCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        for (std::size_t i = 0; i < 40; i += 3) {
            sim::MeterRecord record = m_source->entry(i);
            record.type = 5;
            m_source->setEntry(i, record);
        }
        m_line.add(m_source);
        m_line.add(m_target);
        m_line.start();
        Write(m_types, "; types\n00-none\n01-heat\n" + std::string(kGbkWaterMeter) + "\n");
    }
    void TearDown() override {
        m_line.stop();
        std::filesystem::remove_all(m_folder);
    }
    std::vector<std::string> on(std::vector<std::string> args) {
        args.insert(args.end(), {"--port", m_line.path(), "--types", m_types});
        return args;
    }

    std::shared_ptr<sim::Converter> m_source = std::make_shared<sim::Converter>(
        sim::ConverterConfig{.address = 1, .meterCount = 40}, sim::SampleMeters(40, 3000));
    std::shared_ptr<sim::Converter> m_target = std::make_shared<sim::Converter>(
        sim::ConverterConfig{.address = 2, .meterCount = 40}, sim::SampleMeters(40, 7000));
    sim::Line m_line;
    std::string m_folder = Folder();
    std::string m_types = m_folder + "/type.txt";
};

} // namespace

// Both blocks of serials and a GBK type name go through the file and onto another converter unchanged.
TEST_F(MeterCommands, ExportImportRoundTripIsByteExact) {
    const std::string first = m_folder + "/first.cfg";
    const std::string second = m_folder + "/second.cfg";
    const auto exported = RunTev(on({"meters", "export", "-a", "1", first}));
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::string bytes = Read(first);
    EXPECT_EQ(bytes.substr(0, 20), "000030000107" + std::string(kGbkWaterMeter) + "\n");
    EXPECT_EQ(bytes.substr(bytes.size() - 20), "000030390107" + std::string(kGbkWaterMeter) + '\0');

    const auto imported = RunTev(on({"meters", "import", "-a", "2", "--json", first}));
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find(R"({"step":"serials-33-64","result":"done")"), std::string::npos)
        << imported.out;
    EXPECT_NE(imported.out.find(R"({"step":"read-back","meters":40,"confirmed":true})"), std::string::npos);
    EXPECT_EQ(m_target->entry(39).secondary, m_source->entry(39).secondary);
    ASSERT_EQ(RunTev(on({"meters", "export", "-a", "2", second})).status, 0);
    EXPECT_EQ(Read(second), bytes);
}

TEST_F(MeterCommands, ImportRefusesBadRowsBeforeSendingAnything) {
    const std::string file = m_folder + "/bad.cfg";
    Write(file, "000030000107" + std::string(kGbkWaterMeter) + "\n00003000ZZ0701-heat\n");
    const auto run = RunTev(on({"meters", "import", "-a", "2", file}));
    EXPECT_EQ(run.status, 6);
    EXPECT_NE(run.err.find("rows 2"), std::string::npos) << run.err;
    EXPECT_EQ(RunTev(on({"meters", "import", "-a", "2", m_folder + "/missing.cfg"})).status, 6);
    EXPECT_EQ(m_line.options().framesHeard.load(), 0u);
}

TEST(MbusCommands, AddressBatchAndSend) {
    auto bank = std::make_shared<sim::MbusMeterBank>(
        std::vector<sim::MbusMeterSpec>{{.primary = 1, .id = 12345678}, {.primary = 2, .id = 12345679}});
    sim::Line line;
    line.add(bank);
    line.start();
    const std::string folder = Folder();
    Write(folder + "/batch.txt", "12345678,05,\n; not this one\n12345679,0A,\n11111111,07,\n");
    const auto batch =
        RunTev({"mbus", "set-address", "-p", line.path(), "--file", folder + "/batch.txt", "--csv"});
    EXPECT_EQ(batch.status, 4) << "the third meter is not there";
    EXPECT_EQ(batch.out, "line,id,address,result,report\n"
                         "1,12345678,5,done,完成1地址设置\n"
                         "2,12345679,10,done,完成2地址设置\n"
                         "3,11111111,7,no answer to the select,3地址设置失败\n");
    EXPECT_EQ(bank->meters()[1].primary, 10);

    const auto sent =
        RunTev({"mbus", "send", "-p", line.path(), "--origin", "imported", "--json", "10 7B 0A"});
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_TRUE(sent.out.starts_with(R"({"sent":"10 7B 0A 85 16","reply":"68 )")) << sent.out;
    EXPECT_EQ(RunTev({"mbus", "send", "-p", line.path(), "--parity", "odd", "10 7B 0A"}).status, 2);
    line.stop();
    std::filesystem::remove_all(folder);
}
