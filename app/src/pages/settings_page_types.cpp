// The type file's names for the settings page, read in a unit of their own.
#include "settings_page.hpp"
#include "tev/link/type_file.hpp"

std::vector<std::string> LoadTypeNames(const std::string& path) {
    return tev::link::LoadTypeFile(path).names;
}
