// Where the program keeps its files.
//
// A portable copy (a build tree, or a folder the user unpacked) keeps everything beside the program:
// its folder holds a writable tev_module.ini. An installed program (read-only folder, no writable
// tev_module.ini beside it) keeps the user's settings in $XDG_CONFIG_HOME/tev/ (~/.config/tev/), made
// from the installed default <prefix>/share/tev/tev_module.ini on the first save, and reads type.txt
// from the user's folder, else the installed one. Files written for the user (pictures, meter lists)
// go beside the program when that folder is writable, else to $XDG_DATA_HOME/tev (~/.local/share/tev).
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

// Makes sure the folder of `file` exists. Returns an empty text, or why not (with the path).
std::string MakeParentFolder(const std::filesystem::path& file);

} // namespace tev::link
