// Where the program keeps its files.
//
// A portable copy (a build tree, or a folder the user unpacked) keeps everything beside the program:
// its folder lies outside the system folders (/usr, /bin, /sbin, /lib) and holds a tev_module.ini
// that belongs to the running user and that this user may write. Any other program (an installed
// one, whoever runs it, even root; a copy of another user) keeps the user's settings in
// $XDG_CONFIG_HOME/tev/ (~/.config/tev/), made on the first save from the tev_module.ini beside the
// program when one is readable, else from the installed default <prefix>/share/tev/tev_module.ini,
// and reads type.txt from the user's folder, else the installed one, else the one beside the program.
// Files written for the user (CSV logs, pictures, meter lists) go beside a portable copy whose folder
// is writable, else to $XDG_DATA_HOME/tev (~/.local/share/tev).
//
// The program's own settings for the user (window layout, search ticks) are in the same folder as
// the user's tev_module.ini and ports file: $XDG_CONFIG_HOME/tev/TEV_IO.conf.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tev/link/type_file.hpp"

namespace tev::link {

// The environment the lookup depends on (empty: unset).
struct UserEnvironment {
    std::string home;
    std::string configHome; // XDG_CONFIG_HOME
    std::string dataHome;   // XDG_DATA_HOME
    unsigned userId = 0;    // the effective user id
    static UserEnvironment fromProcess();
};

struct ProgramFiles {
    bool portable = true;
    std::filesystem::path settings;        // tev_module.ini to read and to write
    std::filesystem::path defaultSettings; // read while `settings` does not exist; empty: none
    std::vector<std::filesystem::path> typeFiles; // type.txt, the first that exists is read
    std::filesystem::path output;          // folder for files written for the user

    // The first type file that exists, else the first candidate (whose error then names it).
    std::filesystem::path typeFile() const;
    // The settings file to read now: `settings`, or the default while `settings` does not exist.
    std::filesystem::path settingsToRead() const;
};

// Where the files of a program in programDir are.
ProgramFiles LocateProgramFiles(const std::filesystem::path& programDir, const UserEnvironment& env);

// Everything beside the program (tests, a portable copy).
ProgramFiles FilesBeside(const std::filesystem::path& folder);

// The program's own settings for the user: $XDG_CONFIG_HOME/tev/TEV_IO.conf (~/.config/tev/).
std::filesystem::path UserSettingsFile(const UserEnvironment& env);
// Where earlier versions kept them: $XDG_CONFIG_HOME/VORNIX/TEV_IO.conf.
std::filesystem::path OldUserSettingsFile(const UserEnvironment& env);
// UserSettingsFile(), after moving an older file there once (when there is none yet). While the old
// file cannot be moved, it stays in use where it is.
std::filesystem::path AdoptUserSettingsFile(const UserEnvironment& env);

// Makes sure the folder of `file` exists. Returns an empty text, or why not (with the path).
std::string MakeParentFolder(const std::filesystem::path& file);

} // namespace tev::link
