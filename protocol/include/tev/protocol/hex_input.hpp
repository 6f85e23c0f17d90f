// Hexadecimal text typed by the user, and bytes shown as hexadecimal text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tev::protocol {

// 0..15 for a hex digit (either case), -1 for any other character.
int HexDigitValue(char c) noexcept;

// Value of one group: its leading hex digits read base 16 (up to the first other character), low
// 8 bits; a group that does not start with a hex digit gives 0.
std::uint8_t HexGroupValue(std::string_view group) noexcept;

// Cuts `text` into two-character groups from its start (an odd last character is a group of its
// own) and converts each group with HexGroupValue. Nothing is skipped: "1 2" gives 01 02.
std::vector<std::uint8_t> ParseHexGroups(std::string_view text);

// The terminal's command input: every space removed, then ParseHexGroups. "105" gives 10 05.
std::vector<std::uint8_t> ParseHexCommand(std::string_view text);

// A meter's six secondary-address bytes from its serial text: '0' put in front up to 12
// characters, then the first six groups of ParseHexGroups. "12345" gives 00 00 00 01 23 45.
std::array<std::uint8_t, 6> SecondaryAddressFromText(std::string_view serial);

// Each byte as two upper-case hex digits followed by `separator`: ("E5", " ") gives "E5 ".
std::string FormatHexBytes(std::span<const std::uint8_t> bytes, std::string_view separator = {});

} // namespace tev::protocol
