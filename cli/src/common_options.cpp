#include "tev/cli/common_options.hpp"

#include <array>
#include <charconv>

#include "tev/cli/port_option.hpp"

namespace tev::cli {
namespace {

constexpr std::array kCommonSpecs{
    OptionSpec{"port", 'p'},        OptionSpec{"rate", 'b', true, true}, OptionSpec{"parity"},
    OptionSpec{"timeout"},          OptionSpec{"json", 0, false},        OptionSpec{"csv", 0, false},
    OptionSpec{"help", 'h', false},
};

// Options per call are few; a word longer than this is no option value anyone means.
constexpr std::size_t kMaxWordLength = 4096;

const OptionSpec* FindSpec(std::span<const OptionSpec> specs, std::string_view name, char shortName) {
    for (const OptionSpec& spec : specs) {
        if ((!name.empty() && spec.name == name) || (shortName != 0 && spec.shortName == shortName))
            return &spec;
    }
    return nullptr;
}

const OptionSpec* FindAny(std::span<const OptionSpec> own, std::string_view name, char shortName) {
    if (const OptionSpec* spec = FindSpec(CommonOptionSpecs(), name, shortName))
        return spec;
    return FindSpec(own, name, shortName);
}

// One option word at args[i] (and its value); returns the index after it, or 0 after a problem.
std::size_t TakeOption(CommandArgs args, std::size_t i, std::span<const OptionSpec> own, ParsedArgs& out) {
    std::string_view word = args[i];
    const bool isLong = word.starts_with("--");
    std::string_view name = isLong ? word.substr(2) : std::string_view{};
    std::optional<std::string> inlineValue;
    if (const auto equals = name.find('='); isLong && equals != std::string_view::npos) {
        inlineValue = std::string(name.substr(equals + 1));
        name = name.substr(0, equals);
    }
    const OptionSpec* spec = FindAny(own, name, !isLong && word.size() == 2 ? word[1] : '\0');
    if (spec == nullptr) {
        out.problem = "unknown option " + std::string(word);
        return 0;
    }
    const std::string key(spec->name);
    if (out.has(key) && !spec->repeats) {
        out.problem = "--" + key + " given twice";
        return 0;
    }
    if (!spec->takesValue) {
        if (inlineValue)
            out.problem = "--" + key + " takes no value";
        out.values[key].emplace_back();
        return inlineValue ? 0 : i + 1;
    }
    if (!inlineValue && i + 1 >= args.size()) {
        out.problem = "--" + key + " needs a value";
        return 0;
    }
    out.values[key].push_back(inlineValue ? *inlineValue : args[i + 1]);
    return inlineValue ? i + 1 : i + 2;
}

std::string TakeRates(const ParsedArgs& parsed, bool manyRates, CommonOptions& options) {
    const auto found = parsed.values.find("rate");
    if (found == parsed.values.end())
        return {};
    if (found->second.size() > 1 && !manyRates)
        return "--rate given twice";
    for (const std::string& text : found->second) {
        const auto rate = ParseNumber(text, 50, 4'000'000);
        if (!rate)
            return "--rate " + text + " is no rate in bit/s";
        options.rates.push_back(static_cast<std::uint32_t>(*rate));
    }
    return {};
}

std::string TakePort(const ParsedArgs& parsed, CommonOptions& options) {
    const std::string* text = parsed.value("port");
    if (text == nullptr)
        return options.help ? std::string()
                            : "--port is missing (a COM number, a device path or tcp://HOST:PORT)";
    options.portText = *text;
    const PortChoice choice = ResolvePortOption(*text);
    if (!choice)
        return choice.problem;
    options.port = choice.port;
    return {};
}

} // namespace

const std::string* ParsedArgs::value(std::string_view name) const {
    const auto found = values.find(name);
    return found == values.end() || found->second.empty() ? nullptr : &found->second.back();
}

std::span<const OptionSpec> CommonOptionSpecs() {
    return kCommonSpecs;
}

ParsedArgs ParseArgs(CommandArgs args, std::span<const OptionSpec> commandSpecs) {
    ParsedArgs out;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size();) {
        const std::string& word = args[i];
        if (word.size() > kMaxWordLength) {
            out.problem = "a word of more than 4096 characters";
            return out;
        }
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
            ++i;
        } else if (!optionsEnded && word.size() > 1 && word[0] == '-') {
            i = TakeOption(args, i, commandSpecs, out);
            if (!out.problem.empty())
                return out;
        } else {
            out.positional.push_back(word);
            ++i;
        }
    }
    return out;
}

std::string TakeCommonOptions(const ParsedArgs& parsed, bool manyRates, CommonOptions& options) {
    options.help = parsed.has("help");
    if (parsed.has("json") && parsed.has("csv"))
        return "--json and --csv exclude each other";
    options.format = parsed.has("json")  ? OutputFormat::Json
                     : parsed.has("csv") ? OutputFormat::Csv
                                         : OutputFormat::Text;
    if (const std::string* text = parsed.value("parity")) {
        options.parity = ParseParity(*text);
        if (!options.parity)
            return "--parity " + *text + ": give none, even or odd";
    }
    std::string problem;
    if (const auto timeout = NumberOption(parsed, "timeout", 1, 60000, problem))
        options.timeoutMs = static_cast<std::uint16_t>(*timeout);
    if (!problem.empty())
        return problem;
    if (problem = TakeRates(parsed, manyRates, options); !problem.empty())
        return problem;
    return TakePort(parsed, options);
}

std::optional<long> ParseNumber(std::string_view text, long min, long max) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min ||
        value > max)
        return std::nullopt;
    return value;
}

std::optional<std::uint8_t> ParseParity(std::string_view text) {
    if (text == "none" || text == "n")
        return 0;
    if (text == "even" || text == "e")
        return 1;
    if (text == "odd" || text == "o")
        return 2;
    return std::nullopt;
}

std::string_view ParityName(std::uint8_t parity) {
    static constexpr std::array<std::string_view, 3> kNames{"none", "even", "odd"};
    return parity < kNames.size() ? kNames[parity] : "?";
}

std::optional<long> NumberOption(const ParsedArgs& parsed, std::string_view name, long min, long max,
                                 std::string& problem) {
    const std::string* text = parsed.value(name);
    if (text == nullptr)
        return std::nullopt;
    const auto number = ParseNumber(*text, min, max);
    if (!number)
        problem = "--" + std::string(name) + " " + *text + ": give a number from " + std::to_string(min) +
                  " to " + std::to_string(max);
    return number;
}

} // namespace tev::cli
