#include "tev/link/type_file.hpp"

#include <algorithm>
#include <fstream>
#include "tev/link/limited_text.hpp"

namespace tev::link {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// White space as the C library's isspace() in the "C" locale; bytes of multi-byte characters
// (0x80 and up) are never white space, so a GBK or UTF-8 name keeps all its bytes.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view Trim(std::string_view line) {
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    return line;
}

} // namespace

TypeFile ParseTypeFile(std::string_view bytes) {
    TypeFile out;
    const LimitedText limited = LimitText(bytes, kTypeFileReadLimit);
    bytes = limited.text;
    out.truncated = limited.cut;
    if (bytes.starts_with(kUtf8Bom))
        bytes.remove_prefix(kUtf8Bom.size());
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view{} : bytes.substr(end + 1);
        if (line.starts_with(';'))
            continue;
        const std::string_view name = Trim(line);
        if (name.empty())
            continue;
        if (out.names.size() == kMaxTypeNames) {
            out.truncated = true;
            break;
        }
        out.names.emplace_back(name);
    }
    return out;
}

TypeFile LoadTypeFile(const std::filesystem::path& path) {
    const LimitedFile file = ReadLimitedFile(path, kTypeFileReadLimit);
    return file.error != 0 ? TypeFile{} : ParseTypeFile(file.bytes);
}

int TypeNumber(std::string_view name) noexcept {
    int number = 0;
    std::size_t digits = 0;
    while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9') {
        if (++digits > 4)
            return -1;
        number = number * 10 + (name[digits - 1] - '0');
    }
    if (digits == 0 || digits >= name.size() || name[digits] != '-')
        return -1;
    return number;
}

std::string TypeNameOf(const std::vector<std::string>& names, int number) {
    for (const std::string& name : names)
        if (TypeNumber(name) == number)
            return name;
    std::string digits = std::to_string(number);
    return digits.size() < 2 ? "0" + digits : digits;
}

std::uint8_t TypeNumberOfName(std::string_view name) noexcept {
    if (const int number = TypeNumber(name); number >= 0 && number <= 255)
        return static_cast<std::uint8_t>(number);
    int value = 0;
    std::size_t digits = 0;
    while (digits < name.size() && digits < 3 && name[digits] >= '0' && name[digits] <= '9')
        value = value * 10 + (name[digits++] - '0');
    return static_cast<std::uint8_t>(std::min(value, 255));
}

bool TypeNamesOutOfPlace(const std::vector<std::string>& names) noexcept {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (TypeNumber(names[i]) != static_cast<int>(i))
            return true;
    return false;
}

} // namespace tev::link
