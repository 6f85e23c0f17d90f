#include "tev/link/program_files.hpp"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

#include "tev/link/settings_file.hpp"

namespace tev::link {
namespace fs = std::filesystem;
namespace {

bool WritableFile(const fs::path& file) {
    std::error_code ec;
    return fs::is_regular_file(file, ec) && ::access(file.c_str(), W_OK) == 0;
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
    return {get("HOME"), get("XDG_CONFIG_HOME"), get("XDG_DATA_HOME")};
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
    if (WritableFile(programDir / kSettingsFileName)) {
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
    files.defaultSettings = shared / kSettingsFileName;
    files.typeFiles = {user / kTypeFileName, shared / kTypeFileName, programDir / kTypeFileName};
    files.output = WritableFolder(programDir) ? programDir : userData;
    return files;
}

std::string MakeParentFolder(const fs::path& file) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec)
        return file.parent_path().string() + ": " + ec.message();
    return {};
}

} // namespace tev::link
