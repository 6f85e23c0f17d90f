// The options of tev mbus: the M-Bus line (even parity, 300 .. 38400 bit/s), the fields of a meter's
// address setting and the terminal's checksum start and reply kind.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tev/cli/common_options.hpp"
#include "tev/link/meter_address.hpp"
#include "tev/protocol/mbus_frame_rule.hpp"

namespace tev::cli {

inline constexpr std::uint32_t kDefaultMbusRate = 2400;

// The line's rate (--rate, default 2400); problem for a rate the tools do not offer or a --parity
// other than even.
std::optional<std::uint32_t> MbusRateOf(const CommonOptions& common, std::string& problem);

// --id (8 hexadecimal digits as printed), --new-address (0..250) and --manufacturer (8 hexadecimal
// digits, default FFFFFFFF) checked as the meter address tool checks its fields.
std::optional<link::AddressRequest> ManualAddressRequest(const ParsedArgs& parsed, std::string& problem);

// --manufacturer or its default, checked: 8 hexadecimal digits.
std::optional<std::string> ManufacturerOption(const ParsedArgs& parsed, std::string& problem);

// --checksum-from 1, 2 or 5 (default 2) as the offset ChecksumStartOffset gives.
std::optional<std::size_t> ChecksumStartOption(const ParsedArgs& parsed, std::string& problem);
// --origin domestic (default) or imported.
std::optional<protocol::MeterOrigin> OriginOption(const ParsedArgs& parsed, std::string& problem);

} // namespace tev::cli
