// Where the program keeps its files: beside a portable copy, per user for an installed one.
#include <gtest/gtest.h>

#include <fstream>

#include "tev/link/program_files.hpp"

namespace fs = std::filesystem;
using namespace tev::link;

namespace {

struct Tree {
    fs::path root = fs::temp_directory_path() / ("tev-files-" + std::to_string(::getpid()));
    Tree() {
        fs::remove_all(root);
        fs::create_directories(root / "prefix/bin");
        fs::create_directories(root / "prefix/share/tev");
        fs::create_directories(root / "home");
    }
    ~Tree() { fs::remove_all(root); }
    void touch(const fs::path& p) { std::ofstream(root / p) << "x"; }
    UserEnvironment env(std::string configHome = "") const {
        return {(root / "home").string(), std::move(configHome), ""};
    }
};

} // namespace

TEST(ProgramFiles, WritableSettingsBesideTheProgramMakeAPortableCopy) {
    Tree t;
    t.touch("prefix/bin/tev_module.ini");
    const ProgramFiles f = LocateProgramFiles(t.root / "prefix/bin", t.env());
    EXPECT_TRUE(f.portable);
    EXPECT_EQ(f.settings, t.root / "prefix/bin/tev_module.ini");
    EXPECT_EQ(f.settingsToRead(), f.settings);
    EXPECT_EQ(f.output, t.root / "prefix/bin");
    // No type.txt beside it: the installed one is read.
    t.touch("prefix/share/tev/type.txt");
    EXPECT_EQ(f.typeFile(), t.root / "prefix/share/tev/type.txt");
    t.touch("prefix/bin/type.txt");
    EXPECT_EQ(f.typeFile(), t.root / "prefix/bin/type.txt");
}

TEST(ProgramFiles, InstalledProgramKeepsSettingsPerUserFromTheInstalledDefault) {
    Tree t;
    const struct {
        std::string configHome;
        fs::path expected;
    } cases[] = {
        {"", t.root / "home/.config/tev/tev_module.ini"},
        {(t.root / "cfg").string(), t.root / "cfg/tev/tev_module.ini"},
        {"relative/ignored", t.root / "home/.config/tev/tev_module.ini"},
    };
    for (const auto& c : cases) {
        const ProgramFiles f = LocateProgramFiles(t.root / "prefix/bin", t.env(c.configHome));
        EXPECT_FALSE(f.portable);
        EXPECT_EQ(f.settings, c.expected) << c.configHome;
        // Until the first save, the installed default is read.
        EXPECT_EQ(f.settingsToRead(), t.root / "prefix/share/tev/tev_module.ini");
        EXPECT_EQ(MakeParentFolder(f.settings), "");
        std::ofstream(f.settings) << "x";
        EXPECT_EQ(f.settingsToRead(), f.settings);
        fs::remove(f.settings);
    }
    // The user's own type.txt comes before the installed one.
    const ProgramFiles f = LocateProgramFiles(t.root / "prefix/bin", t.env());
    t.touch("prefix/share/tev/type.txt");
    EXPECT_EQ(f.typeFile(), t.root / "prefix/share/tev/type.txt");
    t.touch("home/.config/tev/type.txt");
    EXPECT_EQ(f.typeFile(), t.root / "home/.config/tev/type.txt");
}

TEST(ProgramFiles, AFolderInPlaceOfTheSettingsIsNotAPortableCopy) {
    Tree t;
    fs::create_directories(t.root / "prefix/bin/tev_module.ini");
    EXPECT_FALSE(LocateProgramFiles(t.root / "prefix/bin", t.env()).portable);
    EXPECT_NE(MakeParentFolder("/proc/no-such/tev/tev_module.ini"), "");
}
