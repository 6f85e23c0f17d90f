// Reading files up to a bound and saving them whole.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "file_size_limit.hpp"
#include "tev/link/file_write.hpp"
#include "tev/link/limited_text.hpp"
#include "tev/link/port_mapping.hpp"

namespace fs = std::filesystem;
using namespace tev::link;

namespace {

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class FileIoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/tev-file-io-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        fs::permissions(m_dir, fs::perms::owner_all);
        fs::remove_all(m_dir);
    }
    // The folder holds nothing but the files named.
    void expectOnly(std::vector<std::string> names) const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(m_dir))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(found, names);
    }
    fs::path m_dir;
};

} // namespace

TEST(LimitedText, KeepsWholeLinesOnly) {
    const struct {
        std::string_view text;
        std::size_t limit;
        std::string_view kept;
        bool cut;
    } cases[] = {
        {"ab\ncd\n", 6, "ab\ncd\n", false}, {"ab\ncd", 5, "ab\ncd", false}, // within the limit: all
        {"ab\ncd\n", 5, "ab\ncd", true},                                    // its LF just past it
        {"ab\ncde\n", 5, "ab\n", true},     {"abcdef", 3, "", true},        {"ab\r\ncd", 3, "ab\r", true},
    };
    for (const auto& c : cases) {
        const LimitedText limited = LimitText(c.text, c.limit);
        EXPECT_EQ(limited.text, c.kept) << c.text;
        EXPECT_EQ(limited.cut, c.cut) << c.text;
    }
}

TEST_F(FileIoTest, SavesReplaceWholeOrLeaveTheOldFile) {
    const fs::path file = m_dir / "a.csv";
    const fs::path elsewhere = m_dir / "real";
    fs::create_directory(elsewhere);
    const struct {
        const char* what;
        std::string old; // empty: no file before
        fs::perms mode;
        bool link;
    } cases[] = {
        {"new file", "", fs::perms::none, false},
        {"mode kept", "old", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read, false},
        {"through a link", "old", fs::perms::owner_read | fs::perms::owner_write, true},
    };
    for (const auto& c : cases) {
        fs::remove(file);
        const fs::path real = c.link ? elsewhere / "target.csv" : file;
        if (!c.old.empty()) {
            std::ofstream(real) << c.old;
            fs::permissions(real, c.mode);
        }
        if (c.link)
            fs::create_symlink("real/target.csv", file);
        ASSERT_EQ(WriteFileReplacing(file, "new\n"), "") << c.what;
        EXPECT_EQ(ReadAll(real), "new\n") << c.what;
        EXPECT_EQ(fs::is_symlink(file), c.link) << c.what;
        if (!c.old.empty())
            EXPECT_EQ(fs::status(real).permissions(), c.mode) << c.what;
        fs::remove(real);
    }
    fs::remove(file);
    expectOnly({"real"});
}

TEST_F(FileIoTest, AFullDiskOrAnUnwritableFolderKeepsTheOldFile) {
    const fs::path file = m_dir / "a.csv";
    std::ofstream(file) << "old";
    {
        const FileSizeLimit full(10);
        const std::string why = WriteFileReplacing(file, std::string(100, 'x'));
        EXPECT_NE(why.find(file.string()), std::string::npos) << why;
        EXPECT_NE(why.find("文件太大"), std::string::npos) << why;
    }
    EXPECT_EQ(ReadAll(file), "old");
    expectOnly({"a.csv"});
    EXPECT_NE(WriteFileReplacing(m_dir, "x").find("是文件夹"), std::string::npos);
    if (::geteuid() != 0) { // root writes anywhere
        fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_NE(WriteFileReplacing(file, "new").find("没有权限"), std::string::npos);
        EXPECT_EQ(ReadAll(file), "old");
    }
}

TEST_F(FileIoTest, PortsFileOnAFullDiskKeepsTheOldMapping) {
    const fs::path file = m_dir / "ports";
    std::ofstream(file) << "COM1=/dev/ttyUSB0\n";
    {
        const FileSizeLimit full(8);
        EXPECT_NE(WritePortsFile(file, {{1, "/dev/ttyUSB1"}, {2, "/dev/ttyUSB2"}}).find(file.string()),
                  std::string::npos);
    }
    EXPECT_EQ(ReadPortsFile(file), (std::map<int, std::string>{{1, "/dev/ttyUSB0"}}));
    expectOnly({"ports"});
}
