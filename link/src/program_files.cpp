#include "tev/link/program_files.hpp"

#include <cstdlib>
#include <iterator>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "tev/link/settings_file.hpp"

namespace tev::link {
namespace fs = std::filesystem;
namespace {

// A regular file of this user that the user may write (the permission bits, not root's override).
bool OwnWritableFile(const fs::path& file, unsigned userId) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == userId &&
           (st.st_mode & S_IWUSR) != 0 && ::access(file.c_str(), W_OK) == 0;
}

bool ReadableFile(const fs::path& file) {
    std::error_code ec;
    return fs::is_regular_file(file, ec) && ::access(file.c_str(), R_OK) == 0;
}

// Folders of installed programs: never a portable copy, whoever runs it.
bool InSystemFolder(const fs::path& folder) {
    std::error_code ec;
    fs::path real = fs::weakly_canonical(folder, ec);
    if (ec)
        real = folder.lexically_normal();
    const auto it = real.begin();
    if (!real.is_absolute() || it == real.end() || std::next(it) == real.end())
        return false;
    const std::string top = std::next(it)->string();
    return top == "usr" || top == "bin" || top == "sbin" || top == "lib" || top == "lib64";
}

bool WritableFolder(const fs::path& folder) {
    std::error_code ec;
    return fs::is_directory(folder, ec) && ::access(folder.c_str(), W_OK) == 0;
}

fs::path XdgFolder(const std::string& xdg, const std::string& home, const char* fallback) {
    if (!xdg.empty() && fs::path(xdg).is_absolute())
        return fs::path(xdg) / "tev";
    return fs::path(home.empty() ? "/tmp" : home) / fallback / "tev";
}

} // namespace

UserEnvironment UserEnvironment::fromProcess() {
    const auto get = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    return {get("HOME"), get("XDG_CONFIG_HOME"), get("XDG_DATA_HOME"), ::geteuid()};
}

fs::path ProgramFiles::typeFile() const {
    std::error_code ec;
    for (const fs::path& candidate : typeFiles)
        if (fs::is_regular_file(candidate, ec))
            return candidate;
    return typeFiles.empty() ? fs::path() : typeFiles.front();
}

fs::path ProgramFiles::settingsToRead() const {
    std::error_code ec;
    if (defaultSettings.empty() || fs::exists(settings, ec))
        return settings;
    return defaultSettings;
}

ProgramFiles FilesBeside(const fs::path& folder) {
    ProgramFiles files;
    files.settings = folder / kSettingsFileName;
    files.typeFiles = {folder / kTypeFileName};
    files.output = folder;
    return files;
}

ProgramFiles LocateProgramFiles(const fs::path& programDir, const UserEnvironment& env) {
    const fs::path shared = programDir.parent_path() / "share" / "tev";
    const fs::path userData = XdgFolder(env.dataHome, env.home, ".local/share");
    const fs::path beside = programDir / kSettingsFileName;
    if (!InSystemFolder(programDir) && OwnWritableFile(beside, env.userId)) {
        ProgramFiles files = FilesBeside(programDir);
        files.typeFiles.push_back(shared / kTypeFileName);
        if (!WritableFolder(programDir))
            files.output = userData;
        return files;
    }
    const fs::path user = XdgFolder(env.configHome, env.home, ".config");
    ProgramFiles files;
    files.portable = false;
    files.settings = user / kSettingsFileName;
    files.defaultSettings = ReadableFile(beside) ? beside : shared / kSettingsFileName;
    files.typeFiles = {user / kTypeFileName, shared / kTypeFileName, programDir / kTypeFileName};
    files.output = userData;
    return files;
}

fs::path UserSettingsFile(const UserEnvironment& env) {
    return XdgFolder(env.configHome, env.home, ".config") / "TEV_IO.conf";
}

fs::path OldUserSettingsFile(const UserEnvironment& env) {
    return XdgFolder(env.configHome, env.home, ".config").parent_path() / "VORNIX" / "TEV_IO.conf";
}

fs::path AdoptUserSettingsFile(const UserEnvironment& env) {
    const fs::path file = UserSettingsFile(env);
    const fs::path old = OldUserSettingsFile(env);
    std::error_code ec;
    if (fs::exists(file, ec) || !fs::is_regular_file(old, ec))
        return file;
    if (!MakeParentFolder(file).empty())
        return old;
    fs::rename(old, file, ec);
    if (ec)
        return old;
    fs::remove(old.parent_path(), ec); // the old folder, when nothing else is in it
    return file;
}

std::string MakeParentFolder(const fs::path& file) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec)
        return file.parent_path().string() + ": " + ec.message();
    return {};
}

} // namespace tev::link
