// Blank-trimming of typed and read text (ASCII white space only, so GBK and UTF-8 bytes stay).
#pragma once

#include <string_view>

namespace tev::link {

inline constexpr std::string_view kBlanks = " \t\r\n\v\f";

// The text without leading and trailing blanks.
constexpr std::string_view Trim(std::string_view text) noexcept {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

} // namespace tev::link
