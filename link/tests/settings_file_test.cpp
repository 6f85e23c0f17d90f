#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "tev/link/settings_file.hpp"

namespace fs = std::filesystem;
using namespace tev::link;

namespace {

const std::string kDefaultFile = std::string("COMX=00;\r\nBRAUTE=00010000;\r\nTIMEOUT=0;\r\nCHECKSUM=1;\r\n"
                                             "METER_BRAUTE=0;\r\nMETER_METER=0;\r\nMETER_COMMAND=0;\r") +
                                 '\0';

SearchSettings ParseText(const std::string& text) {
    return ParseSettings(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class SettingsDir : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/tev_settings_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(m_dir, fs::perms::owner_all, ec);
        fs::remove_all(m_dir, ec);
    }
    fs::path m_dir;
};

} // namespace

TEST(SettingsFormat, DefaultFileIsTheFixedLayout) {
    const auto bytes = FormatSettings(DefaultSearchSettings());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), kDefaultFile);
    ASSERT_EQ(kDefaultFile.size(), kSettingsFileSize);
}

TEST(SettingsFormat, RoundTripKeepsEverySelection) {
    const SearchSettings cases[] = {
        {},
        DefaultSearchSettings(),
        {15, {true, true, true, true, true, true, true, true}, 6, 2, 6, 2, 2},
        {10, {true, false, true, false, false, true, false, true}, 4, 1, 5, 1, 0},
        {1, {false, false, false, false, false, false, false, true}, 5, 0, 3, 0, 1},
    };
    for (const auto& s : cases) {
        const auto bytes = FormatSettings(s);
        EXPECT_EQ(bytes.back(), '\0');
        EXPECT_EQ(ParseSettings(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())),
                  s)
            << "port " << s.portIndex << " timeout " << s.timeoutIndex;
    }
}

TEST(SettingsFormat, IndexThatDoesNotFitIsWrittenAsZero) {
    SearchSettings s;
    s.portIndex = 300;
    s.timeoutIndex = 12;
    s.parityIndex = -1;
    const auto bytes = FormatSettings(s);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.substr(0, 10), "COMX=00;\r\n");
    EXPECT_EQ(text.substr(28, 12), "TIMEOUT=0;\r\n");
    EXPECT_EQ(text.substr(40, 13), "CHECKSUM=0;\r\n");
}

TEST(SettingsParse, ValuesComeFromFixedOffsetsNotKeys) {
    // Keys misspelled: the values are still taken from their places.
    std::string text = kDefaultFile;
    text.replace(0, 4, "XXXX");
    text[5] = '0';
    text[6] = 'C';
    text[36] = '5';
    EXPECT_EQ(ParseText(text).portIndex, 12);
    EXPECT_EQ(ParseText(text).timeoutIndex, 5);
}

TEST(SettingsParse, ShortTextLeavesMissingValuesAtZero) {
    struct Case {
        std::size_t length;
        int port;
        int ticked; // number of ticked boxes
        int parity;
    };
    const std::string full =
        FormatSettings({3, {true, true, true, true, true, true, true, true}, 2, 2, 1, 1, 1})
            .data(); // stops at the final NUL
    const Case cases[] = {{0, 0, 0, 0},  {6, 0, 0, 0},  {7, 3, 0, 0},
                          {20, 3, 3, 0}, {49, 3, 8, 0}, {50, 3, 8, 2}};
    for (const auto& c : cases) {
        const SearchSettings s = ParseText(full.substr(0, c.length));
        EXPECT_EQ(s.portIndex, c.port) << c.length;
        EXPECT_EQ(std::count(s.rates.begin(), s.rates.end(), true), c.ticked) << c.length;
        EXPECT_EQ(s.parityIndex, c.parity) << c.length;
        EXPECT_EQ(s.meterCommandIndex, 0) << c.length;
    }
}

TEST(SettingsParse, TextEndsAtFirstNulAndAfterReadLimit) {
    std::string text = kDefaultFile;
    text[30] = '\0'; // before TIMEOUT's value
    text[36] = '4';
    EXPECT_EQ(ParseText(text).timeoutIndex, 0);
    EXPECT_EQ(ParseText(text).parityIndex, 0);

    std::string padded(kSettingsReadLimit, ' ');
    padded += "1";
    EXPECT_EQ(ParseText(padded), SearchSettings{});
}

TEST(SettingsParse, NonDigitsReadAsZeroAndBoxesOnlyTickOnOne) {
    std::string text = kDefaultFile;
    text[5] = 'Z';
    text[17] = '2';
    text[18] = '1';
    text[49] = '-';
    const SearchSettings s = ParseText(text);
    EXPECT_EQ(s.portIndex, 0);
    EXPECT_FALSE(s.rates[0]);
    EXPECT_TRUE(s.rates[1]);
    EXPECT_EQ(s.parityIndex, 0);
}

TEST_F(SettingsDir, SaveWritesInPlaceAndLoadReadsBack) {
    const fs::path file = m_dir / kSettingsFileName;
    ASSERT_TRUE(WriteNewSettingsFile(file, DefaultSearchSettings()));
    EXPECT_EQ(ReadAll(file), kDefaultFile);
    const SearchSettings s{7, {false, true, false, false, true, false, false, false}, 6, 2, 5, 1, 2};
    EXPECT_EQ(SaveSettingsFile(file, s), SettingsError::None);
    const SettingsLoad load = LoadSettingsFile(file);
    ASSERT_TRUE(load);
    EXPECT_EQ(load.settings, s);
    EXPECT_EQ(fs::file_size(file), kSettingsFileSize);
}

TEST_F(SettingsDir, SaveKeepsBytesPastTheLayout) {
    const fs::path file = m_dir / kSettingsFileName;
    std::ofstream(file, std::ios::binary) << kDefaultFile << "tail";
    EXPECT_EQ(SaveSettingsFile(file, {}), SettingsError::None);
    const std::string after = ReadAll(file);
    EXPECT_EQ(after.size(), kSettingsFileSize + 4);
    EXPECT_EQ(after.substr(kSettingsFileSize), "tail");
}

TEST_F(SettingsDir, MissingFileIsNeitherReadNorCreated) {
    const fs::path file = m_dir / kSettingsFileName;
    EXPECT_EQ(LoadSettingsFile(file).error, SettingsError::Open);
    EXPECT_EQ(SaveSettingsFile(file, DefaultSearchSettings()), SettingsError::Open);
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(SettingsDir, DirectoryInPlaceOfTheFileFailsBothWays) {
    const fs::path file = m_dir / kSettingsFileName;
    fs::create_directory(file);
    EXPECT_FALSE(LoadSettingsFile(file));
    EXPECT_NE(SaveSettingsFile(file, DefaultSearchSettings()), SettingsError::None);
    EXPECT_TRUE(fs::is_directory(file));
    EXPECT_TRUE(fs::is_empty(file));
}

TEST_F(SettingsDir, FifoInPlaceOfTheFileFailsWithoutBlocking) {
    // Opening a FIFO waits for its other end; the dialog must not hang on one.
    const fs::path file = m_dir / kSettingsFileName;
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    EXPECT_EQ(LoadSettingsFile(file).error, SettingsError::Read);
    EXPECT_EQ(SaveSettingsFile(file, DefaultSearchSettings()), SettingsError::Open);
    EXPECT_TRUE(fs::is_fifo(file));
}

TEST_F(SettingsDir, ReadOnlyFileIsNotChanged) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes through read-only permissions; covered by the directory case";
    const fs::path file = m_dir / kSettingsFileName;
    ASSERT_TRUE(WriteNewSettingsFile(file, {}));
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_EQ(SaveSettingsFile(file, DefaultSearchSettings()), SettingsError::Open);
    EXPECT_EQ(LoadSettingsFile(file).settings, SearchSettings{});
}
