// Text files read up to a size limit. A reader that stops at its limit keeps whole lines only: the
// line the limit cuts through is dropped, never taken for a shorter one ("12345678,0A," cut after
// its "0" must not become address 00).
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>

namespace tev::link {

struct LimitedText {
    std::string_view text; // at most `limit` bytes, ending after a line feed when the input was cut
    bool cut = false;      // the input was longer than the limit
};

// The first `limit` bytes of `text`, without the unfinished last line when `text` is longer. A line
// whose line feed is the first byte past the limit is whole and kept.
constexpr LimitedText LimitText(std::string_view text, std::size_t limit) noexcept {
    if (text.size() <= limit)
        return {text, false};
    const std::size_t end = text.substr(0, limit + 1).rfind('\n');
    if (end == std::string_view::npos)
        return {{}, true};
    return {text.substr(0, std::min(end + 1, limit)), true};
}

struct LimitedFile {
    std::string bytes;   // up to limit + 1 bytes: one more tells a longer file (pass them to LimitText)
    int error = 0;       // errno of the open or the read; EISDIR for a FIFO, device or folder
    bool opened = false; // the open succeeded (an error is then the read's, or not a regular file)
};

// Reads a regular file up to one byte past `limit`. A FIFO or a device in its place is refused
// without blocking.
LimitedFile ReadLimitedFile(const std::filesystem::path& file, std::size_t limit);

} // namespace tev::link
