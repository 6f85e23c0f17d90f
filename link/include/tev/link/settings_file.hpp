// tev_module.ini: the search dialog's choices in a fixed 104-byte layout of seven key lines.
//
// Each line is key, value, ";\r\n"; the last LF is a NUL. Values are read from fixed offsets, not by
// searching for the keys, and the file is written in place (never created, never truncated), so a file
// travels unchanged between this program and the original tool.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace tev::link {

inline constexpr std::string_view kSettingsFileName = "tev_module.ini";
inline constexpr std::size_t kSettingsFileSize = 104;
// The original reader takes at most this many bytes.
inline constexpr std::size_t kSettingsReadLimit = 199;

inline constexpr std::string_view kSettingsCaption = "INFO";
inline constexpr std::string_view kSettingsLoadError = "Tev_module.ini File Error!";
inline constexpr std::string_view kSettingsSaveError = "tev_module.ini File Error!";

// Baud-rate boxes in file order, timeouts in list order.
inline constexpr std::array<std::uint32_t, 8> kSearchRates = {1200,  2400,  4800,  9600,
                                                              19200, 38400, 57600, 115200};
inline constexpr std::array<std::uint16_t, 7> kSearchTimeouts = {100, 200, 500, 1000, 2000, 5000, 10000};
inline constexpr int kPortCount = 16;
inline constexpr int kParityCount = 3;

// The stored selections. Indices are kept as read; the dialog decides what an index outside its
// list means. The three meter values belong to lists the dialog keeps hidden and are carried as is.
struct SearchSettings {
    int portIndex = 0;           // 0 = COM1 ... 15 = COM16
    std::array<bool, 8> rates{}; // ticked boxes, order of kSearchRates
    int timeoutIndex = 0;        // index into kSearchTimeouts
    int parityIndex = 0;         // 0 none, 1 even, 2 odd
    int meterBaudIndex = 0;
    int meterMeterIndex = 0;
    int meterCommandIndex = 0;

    bool operator==(const SearchSettings&) const = default;
};

// The 104 bytes of the file. An index that does not fit its field (port outside 0..255, the others
// outside 0..9) is written as 0, so the layout always holds.
std::array<char, kSettingsFileSize> FormatSettings(const SearchSettings& settings);

// Reads the values from their offsets. The text ends at the first NUL or after kSettingsReadLimit
// bytes; a value whose offset lies past the end of the text reads as 0, a box past it as unticked.
SearchSettings ParseSettings(std::span<const std::uint8_t> bytes) noexcept;

enum class SettingsError { None, Open, Read, Write };

struct SettingsLoad {
    SettingsError error = SettingsError::None;
    SearchSettings settings{};
    explicit operator bool() const { return error == SettingsError::None; }
};

// Opens the file read-only and parses it; a file that cannot be opened or read, or that is not a
// regular file (a directory, a FIFO), gives an error and default settings.
SettingsLoad LoadSettingsFile(const std::filesystem::path& path);

// Writes the 104 bytes over the start of the existing file. Never creates the file; a file that cannot
// be opened for writing or is not a regular file, or a write that does not complete, gives an error.
SettingsError SaveSettingsFile(const std::filesystem::path& path, const SearchSettings& settings);

// Creates or replaces the file with the given settings (used to ship the default file with the build).
bool WriteNewSettingsFile(const std::filesystem::path& path, const SearchSettings& settings);

// The settings of the file shipped with the program: COM1, 9600 ticked, 100 ms, even parity.
SearchSettings DefaultSearchSettings();

} // namespace tev::link
