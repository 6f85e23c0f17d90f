// type.txt: the meter type names, one per line, in the order of the type numbers ("00-...", "01-...").
//
// A line whose first byte is ';' is a comment; every other line is trimmed of white space at both
// ends and, when something is left, is one name. Names are kept as the bytes of the file (the file
// may be UTF-8 or, written on the original platform, GBK); only a UTF-8 byte order mark in front of
// the first line is dropped. The program never writes the file.
#pragma once

#include <cstddef>
#include <cstdint>
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

// The converter knows a type only by its number; a name stands for the number in front of its '-'.
// Names are looked up by that number, never by their place in the file, so a file that starts at 01
// or lists its names out of order still turns a number into a name and back into the same number.

// The name of type `number` among `names` (the first that carries it), else its number as at least
// two decimal digits ("07"), which TypeNumberOfName reads back as the same number.
std::string TypeNameOf(const std::vector<std::string>& names, int number);

// The type number a name stands for: the number in front of its first '-', or the whole name when
// it is only digits (a type without a name); 0..255, else the leading digits (none gives 0).
std::uint8_t TypeNumberOfName(std::string_view name) noexcept;

// Some name's number differs from its place in the file (or a name carries none).
bool TypeNamesOutOfPlace(const std::vector<std::string>& names) noexcept;

// For the message bar when names are not at the place of their number.
inline constexpr std::string_view kTypeFileOutOfPlaceText =
    "type.txt 中表型的序号与所在行的位置不一致，按名称前的序号使用";

} // namespace tev::link
