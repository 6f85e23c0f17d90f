#include "tev/link/settings_file.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tev/link/limited_text.hpp"

namespace tev::link {
namespace {

// Byte offsets of the values in the file.
constexpr std::size_t kPortOffset = 5;
constexpr std::size_t kRatesOffset = 17;
constexpr std::size_t kTimeoutOffset = 36;
constexpr std::size_t kParityOffset = 49;
constexpr std::size_t kMeterBaudOffset = 66;
constexpr std::size_t kMeterMeterOffset = 82;
constexpr std::size_t kMeterCommandOffset = 100;

int DigitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    return v < base ? v : -1;
}

// The number of at most `width` digits at `offset`, ending at the first non-digit; 0 past the end.
int ReadNumber(std::string_view text, std::size_t offset, std::size_t width, int base) {
    int value = 0;
    for (std::size_t i = offset; i < text.size() && i < offset + width; ++i) {
        const int d = DigitValue(text[i], base);
        if (d < 0)
            break;
        value = value * base + d;
    }
    return value;
}

char Digit(int index) {
    return static_cast<char>('0' + (index >= 0 && index <= 9 ? index : 0));
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Opens path with flags and keeps it only when it is a regular file. O_NONBLOCK keeps a FIFO or a
// device in its place from holding the caller: such an open fails or returns at once, and is then
// refused. Returns the descriptor, -1 when the open failed, -2 when it is not a regular file.
int OpenRegularFile(const std::filesystem::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -2;
    }
    return fd;
}

} // namespace

std::array<char, kSettingsFileSize> FormatSettings(const SearchSettings& s) {
    std::string text;
    text.reserve(kSettingsFileSize);
    const int port = s.portIndex >= 0 && s.portIndex <= 0xFF ? s.portIndex : 0;
    char hex[3] = {};
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(port));
    text += "COMX=";
    text += hex;
    text += ";\r\nBRAUTE=";
    for (bool ticked : s.rates)
        text += ticked ? '1' : '0';
    text += ";\r\nTIMEOUT=";
    text += Digit(s.timeoutIndex);
    text += ";\r\nCHECKSUM=";
    text += Digit(s.parityIndex);
    text += ";\r\nMETER_BRAUTE=";
    text += Digit(s.meterBaudIndex);
    text += ";\r\nMETER_METER=";
    text += Digit(s.meterMeterIndex);
    text += ";\r\nMETER_COMMAND=";
    text += Digit(s.meterCommandIndex);
    text += ";\r";
    text += '\0'; // in place of the last LF
    std::array<char, kSettingsFileSize> out{};
    std::copy_n(text.begin(), std::min(text.size(), out.size()), out.begin());
    return out;
}

SearchSettings ParseSettings(std::span<const std::uint8_t> bytes) noexcept {
    const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // The file's own end is its NUL; without one within the limit, only whole lines are read.
    const std::size_t nul = all.substr(0, kSettingsReadLimit).find('\0');
    const std::string_view text =
        nul != std::string_view::npos ? all.substr(0, nul) : LimitText(all, kSettingsReadLimit).text;
    SearchSettings s;
    s.portIndex = ReadNumber(text, kPortOffset, 2, 16);
    for (std::size_t i = 0; i < s.rates.size(); ++i) {
        const std::size_t at = kRatesOffset + i;
        s.rates[i] = at < text.size() && text[at] == '1';
    }
    s.timeoutIndex = ReadNumber(text, kTimeoutOffset, 1, 10);
    s.parityIndex = ReadNumber(text, kParityOffset, 1, 10);
    s.meterBaudIndex = ReadNumber(text, kMeterBaudOffset, 1, 10);
    s.meterMeterIndex = ReadNumber(text, kMeterMeterOffset, 1, 10);
    s.meterCommandIndex = ReadNumber(text, kMeterCommandOffset, 1, 10);
    return s;
}

SettingsLoad LoadSettingsFile(const std::filesystem::path& path) {
    const LimitedFile file = ReadLimitedFile(path, kSettingsReadLimit);
    if (file.error != 0)
        return {file.opened ? SettingsError::Read : SettingsError::Open, {}};
    return {SettingsError::None,
            ParseSettings(
                std::span(reinterpret_cast<const std::uint8_t*>(file.bytes.data()), file.bytes.size()))};
}

SettingsError SaveSettingsFile(const std::filesystem::path& path, const SearchSettings& settings) {
    const int fd = OpenRegularFile(path, O_WRONLY);
    if (fd < 0)
        return SettingsError::Open;
    const auto text = FormatSettings(settings);
    const bool ok = WriteAll(fd, text.data(), text.size());
    return ::close(fd) == 0 && ok ? SettingsError::None : SettingsError::Write;
}

bool WriteNewSettingsFile(const std::filesystem::path& path, const SearchSettings& settings) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const auto text = FormatSettings(settings);
    const bool ok = WriteAll(fd, text.data(), text.size());
    return ::close(fd) == 0 && ok;
}

SearchSettings DefaultSearchSettings() {
    SearchSettings s;
    s.rates[3] = true; // 9600
    s.parityIndex = 1; // even
    return s;
}

} // namespace tev::link
