// What the converter subcommands (config, meters, read) share: the converter the options name, the
// open of its port, the exit status of a failed exchange, the configuration as a record and the
// type names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tev/cli/common_options.hpp"
#include "tev/cli/exit_code.hpp"
#include "tev/cli/record_output.hpp"
#include "tev/link/converter.hpp"
#include "tev/link/line.hpp"

namespace tev::cli {

// The rate a converter command talks at unless --rate says otherwise.
inline constexpr std::uint32_t kDefaultConverterRate = 9600;

// --address of a converter (1..255); problem says why not (also when it is missing).
std::optional<std::uint8_t> ConverterAddressOption(const ParsedArgs& parsed, std::string& problem);

// The converter at `address` on the port, rate and (line) parity of the options.
link::Converter ConverterFor(const CommonOptions& common, std::uint8_t address);

// Opens the client with the converter's settings: empty, or why not (the link's words).
std::string OpenFor(link::Line& client, const link::Converter& converter);

// Exit status of a failed exchange: silence is no answer; for a write, an exception, a corrupted or
// a foreign reply leaves it unconfirmed (Refused), for a read they are no answer.
ExitCode ExchangeExit(link::ExchangeError error, bool write);
// "no answer", "refused", "corrupted reply" ... for messages and records.
std::string_view ExchangeWords(link::ExchangeError error);

// The configuration's fields (address, rate, acquisition time, type, count, parity, mode, text).
void AddConfigFields(Record& record, const protocol::ConverterConfig& config, std::string_view text);

// Type names: of --types FILE (nullopt, with the problem, when it cannot be read), else of the
// type.txt the program reads (none when there is none: the problem then holds a warning).
std::optional<std::vector<std::string>> TypeNamesFor(const ParsedArgs& parsed, std::string& problem);

} // namespace tev::cli

namespace tev::cli {

// The meter count of the converter's configuration (capped at 64), read on the open client;
// nullopt without an answer.
std::optional<std::size_t> ConfiguredMeterCount(link::Line& client, const link::Converter& converter);

// A record of one meter list row: meter (from 1), serial, type name, type number.
Record MeterRowRecord(std::size_t index, const std::string& serial, const std::string& type);

} // namespace tev::cli
