// Setting a meter's primary M-Bus address by its identification number: the checks of the typed
// fields, the import file of a batch, and the three frames of one setting (select by secondary
// address, write the address, deselect) on a serial client.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tev/link/serial_settings.hpp"

namespace tev::link {

class Line;

// Bounds of the import lines: one file is read up to kMaxImportFileBytes; all files chosen while
// the dialog is open add up to at most kMaxImportLines lines.
inline constexpr std::size_t kMaxImportFileBytes = 1u << 20;
inline constexpr std::size_t kMaxImportLines = 10000;

// Period of the batch: one import line per tick.
inline constexpr int kBatchTickMs = 800;

struct AddressRequest {
    std::array<std::uint8_t, 4> identification{}; // as typed, most significant byte first
    std::array<std::uint8_t, 4> manufacturer{};   // wire order: manufacturer low, high, version, medium
    std::uint8_t address = 0;
    bool operator==(const AddressRequest&) const = default;
};

enum class FieldError { None, ManufacturerLength, IdentificationLength, AddressLength };

// "厂家 + 版本号 长度不对!", "序列号长度不对!", "地址长度不对!" (UTF-8); empty for none.
const char* FieldErrorText(FieldError error) noexcept;

struct FieldCheck {
    FieldError error = FieldError::None;
    AddressRequest request; // valid when error is none
    explicit operator bool() const noexcept { return error == FieldError::None; }
};

// Manual setting: each field trimmed, then checked in this order: manufacturer field 8 characters,
// identification number 8 characters, new address 2 characters.
FieldCheck CheckManualFields(std::string_view manufacturer, std::string_view identification,
                             std::string_view address);

// One import line ("12345678,05,"): the identification number before the first comma, the address
// between the first and second comma (empty: 0), each taken as it stands without a length test.
// Only the manufacturer field (trimmed) is checked: 8 characters.
FieldCheck CheckImportLine(std::string_view manufacturer, std::string_view line);

// How far one setting got.
enum class AddressStep {
    Done,         // select and address acknowledged; the deselect got 0xE5 or no answer
    NoSelectAck,  // the select frame got no 0xE5 (no such meter, or the port did not open)
    NoAddressAck, // the meter took the select but not the address
    OddDeselect,  // the deselect got an answer other than 0xE5
    Cancelled,    // stopped before its frames were through
};

// Receive timeout of each frame: (19200 / baud) x 150 ms, at least 100 ms (38400 bit/s and above
// would give 0 ms). Each receive still ends as soon as the 0xE5 or a complete frame is in.
std::uint16_t AddressReceiveTimeoutMs(std::uint32_t baud) noexcept;

// Sends the three frames on the open client, each waiting for its answer. `stop` (may be null) is
// read before each frame: once set, the frames left are not sent.
AddressStep SetMeterAddress(Line& client, const AddressRequest& request, std::uint16_t timeoutMs,
                            const std::atomic<bool>* stop = nullptr);

struct AddressAttempt {
    AddressStep step = AddressStep::NoSelectAck;
    bool opened = false;
    std::string openFailure; // why the port did not open
};

// One self-contained setting: opens the port (the frames then find no meter when it does not
// open), SetMeterAddress with AddressReceiveTimeoutMs of the settings' rate, closes the port.
AddressAttempt AttemptMeterAddress(Line& client, const SerialSettings& settings,
                                   const AddressRequest& request, const std::atomic<bool>* stop = nullptr);

// The import lines and the batch over them.
class AddressBatch {
  public:
    struct ReadResult {
        std::size_t taken = 0;  // lines added
        bool truncated = false; // lines left out: the file or the line store was full
    };
    // Appends the accepted lines of a file's text: lines end at a line feed; a line whose first
    // character is ';' is a comment; the others are trimmed and kept when not empty.
    ReadResult addFileText(std::string_view text);

    struct Line {
        std::size_t number = 0; // 1-based
        std::string text;
    };
    void restart() noexcept { m_next = 0; }
    // The next line, advancing; nullopt after the last.
    std::optional<Line> take();
    std::size_t size() const noexcept { return m_lines.size(); }
    const std::vector<std::string>& lines() const noexcept { return m_lines; }

    // "完成n地址设置" or "n地址设置失败".
    static std::string statusText(std::size_t number, bool succeeded);

  private:
    std::vector<std::string> m_lines;
    std::size_t m_next = 0;
};

} // namespace tev::link
