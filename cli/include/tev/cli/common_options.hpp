// The options every subcommand of tev takes (--port, --rate, --parity, --timeout, --json, --csv,
// --help) and the parse of a subcommand's words against its own option table on top of them.
// Nothing here talks to a device: a command parses everything before it opens a port.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tev/cli/command.hpp"

namespace tev::cli {

enum class OutputFormat { Text, Json, Csv };

// One option of a subcommand: "--name" (and "-s" when shortName is set), with a value or a flag.
struct OptionSpec {
    std::string_view name;
    char shortName = 0;
    bool takesValue = true;
    bool repeats = false; // may be given more than once (each value is kept)
};

// The words of a subcommand sorted out: options by long name (a flag holds one empty value) and
// the other words in order. A word "--" ends the options.
struct ParsedArgs {
    std::map<std::string, std::vector<std::string>, std::less<>> values;
    std::vector<std::string> positional;
    std::string problem; // empty when the words parsed

    bool has(std::string_view name) const { return values.find(name) != values.end(); }
    // The value of an option given once; nullptr when it was not given.
    const std::string* value(std::string_view name) const;
};

// The common options' table.
std::span<const OptionSpec> CommonOptionSpecs();

// Parses args against the common options and the command's own.
ParsedArgs ParseArgs(CommandArgs args, std::span<const OptionSpec> commandSpecs);

struct CommonOptions {
    std::uint8_t port = 0;                  // the uart port number --port resolved to; 0 without --port
    std::string portText;                   // as given
    std::vector<std::uint32_t> rates;       // every --rate, in the order given
    std::optional<std::uint8_t> parity;     // 0 none, 1 even, 2 odd
    std::optional<std::uint16_t> timeoutMs; // --timeout
    OutputFormat format = OutputFormat::Text;
    bool help = false;

    // The single --rate, else fallback (TakeCommonOptions refuses several where one is meant).
    std::uint32_t rateOr(std::uint32_t fallback) const { return rates.empty() ? fallback : rates.front(); }
};

// Fills `options` from the parsed words; returns the problem, or an empty text. --port is resolved
// (a path or a gateway is mapped to a spare COM number, so this runs before any port is opened);
// it must be given unless `help` is. Several --rate only with `manyRates`.
std::string TakeCommonOptions(const ParsedArgs& parsed, bool manyRates, CommonOptions& options);

// A whole number in min..max, decimal or hexadecimal with "0x"; nullopt for any other text.
std::optional<long> ParseNumber(std::string_view text, long min, long max);
// "none", "even" or "odd" (also "n", "e", "o"); nullopt for any other text.
std::optional<std::uint8_t> ParseParity(std::string_view text);
// "none", "even", "odd"; "?" for another code.
std::string_view ParityName(std::uint8_t parity);

// The number of option `name` when given, checked against min..max; `problem` gets why not.
std::optional<long> NumberOption(const ParsedArgs& parsed, std::string_view name, long min, long max,
                                 std::string& problem);

} // namespace tev::cli
