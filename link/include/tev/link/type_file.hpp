// type.txt: the meter type names, one per line, in the order of the type numbers ("01-...", "02-...").
//
// A line whose first byte is ';' is a comment; every other line is trimmed of white space at both
// ends and, when something is left, is one name. Names are kept as the bytes of the file (the file
// may be UTF-8 or, written on the original platform, GBK); only a UTF-8 byte order mark in front of
// the first line is dropped. The program never writes the file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tev::link {

inline constexpr std::string_view kTypeFileName = "type.txt";
// Names kept from one file; the rest of a longer file is left out and `truncated` is set.
inline constexpr std::size_t kMaxTypeNames = 350;
// Names handed to the meter list (the first ones in file order).
inline constexpr std::size_t kTypeNameTableSize = 32;
// Bytes read from a file at most; a longer file counts as truncated.
inline constexpr std::size_t kTypeFileReadLimit = 1024 * 1024;
// For the message bar when a file held more names than are kept.
inline constexpr std::string_view kTypeFileTruncatedText = "type.txt 中的表型超过350个，只使用前350个";

struct TypeFile {
    std::vector<std::string> names; // in file order: names[i] is type index i
    bool truncated = false;         // the file held more than kMaxTypeNames names or bytes
    bool operator==(const TypeFile&) const = default;
};

// The names of the text `bytes`.
TypeFile ParseTypeFile(std::string_view bytes);

// The names of the file; a missing or unreadable file gives no names.
TypeFile LoadTypeFile(const std::filesystem::path& path);

// The type number in front of the first '-' of a name ("12-ABC" -> 12); -1 when the name does not
// begin with decimal digits (at most 4) followed by '-'.
int TypeNumber(std::string_view name) noexcept;

} // namespace tev::link
