// Where the program keeps its files: beside a portable copy, per user for an installed one.
#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

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
        return {(root / "home").string(), std::move(configHome), "", ::geteuid()};
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

TEST(ProgramFiles, OnlyAPortableCopyTheUserOwnsWritesBesideTheProgram) {
    Tree t;
    t.touch("prefix/bin/tev_module.ini");
    const fs::path bin = t.root / "prefix/bin";
    const fs::path data = t.root / "home/.local/share/tev";
    const unsigned me = ::geteuid();
    const struct {
        const char* what;
        fs::path programDir;
        unsigned userId;
        fs::perms ini;
        bool portable;
        fs::path defaultSettings;
    } cases[] = {
        // Installed and run as root: /usr/bin is writable, but nothing goes there.
        {"installed, root", "/usr/bin", 0, fs::perms::owner_read | fs::perms::owner_write, false,
         "/usr/share/tev/tev_module.ini"},
        {"another user's copy", bin, me + 1, fs::perms::owner_read | fs::perms::owner_write, false,
         bin / "tev_module.ini"},
        {"read-only settings", bin, me, fs::perms::owner_read | fs::perms::group_read, false,
         bin / "tev_module.ini"},
        {"own copy", bin, me, fs::perms::owner_read | fs::perms::owner_write, true, ""},
    };
    for (const auto& c : cases) {
        fs::permissions(bin / "tev_module.ini", c.ini);
        UserEnvironment env = t.env();
        env.userId = c.userId;
        const ProgramFiles f = LocateProgramFiles(c.programDir, env);
        EXPECT_EQ(f.portable, c.portable) << c.what;
        EXPECT_EQ(f.output, c.portable ? bin : data) << c.what;
        EXPECT_EQ(f.defaultSettings, c.defaultSettings) << c.what;
        if (!c.portable) {
            EXPECT_EQ(f.settings, t.root / "home/.config/tev/tev_module.ini") << c.what;
            EXPECT_EQ(f.settingsToRead(), c.defaultSettings) << c.what; // a readable ini beside is read
        }
    }
}

TEST(ProgramFiles, TheWindowSettingsMoveOnceIntoTheUserFolder) {
    Tree t;
    const UserEnvironment env = t.env();
    EXPECT_EQ(UserSettingsFile(env), t.root / "home/.config/tev/TEV_IO.conf");
    const fs::path old = OldUserSettingsFile(env);
    EXPECT_EQ(old, t.root / "home/.config/VORNIX/TEV_IO.conf");
    fs::create_directories(old.parent_path());
    // While the new folder cannot be made, the old file is used where it is.
    std::ofstream(t.root / "home/.config/tev") << "in the way";
    std::ofstream(old) << "[Gui_DevStudio]\n";
    EXPECT_EQ(AdoptUserSettingsFile(env), old);
    fs::remove(t.root / "home/.config/tev");
    EXPECT_EQ(AdoptUserSettingsFile(env), UserSettingsFile(env));
    EXPECT_FALSE(fs::exists(old.parent_path()));
    std::ifstream moved(UserSettingsFile(env));
    std::string line;
    EXPECT_TRUE(std::getline(moved, line) && line == "[Gui_DevStudio]");
    // A file written since is not replaced by an old one found later.
    fs::create_directories(old.parent_path());
    std::ofstream(old) << "older";
    EXPECT_EQ(AdoptUserSettingsFile(env), UserSettingsFile(env));
    EXPECT_TRUE(fs::exists(old));
}
