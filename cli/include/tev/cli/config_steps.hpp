// tev config set: the change the options ask for, the settings page's writes that make it (in an
// order in which each still reaches the converter), and their run with the read-back.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tev/cli/common_options.hpp"
#include "tev/cli/exit_code.hpp"
#include "tev/cli/record_output.hpp"
#include "tev/link/converter_settings.hpp"

namespace tev::cli {

struct ConfigChange {
    std::uint8_t address = 1; // where the converter is now
    std::optional<std::uint16_t> acquisitionTime;
    std::optional<std::uint8_t> meters;
    std::optional<std::uint8_t> type;
    std::optional<std::uint8_t> parity; // the converter's new parity
    std::optional<std::uint8_t> newAddress;
    std::optional<std::size_t> rateIndex; // of the converter's rate list (RateText)
};

// The change of --address, --acquisition-time, --meters, --type, --new-parity, --new-address and
// --new-rate; nullopt (with the problem) for a bad value or when nothing is asked.
std::optional<ConfigChange> ParseConfigChange(const ParsedArgs& parsed, std::string& problem);

struct ConfigStep {
    link::SettingsCommand command = link::SettingsCommand::None;
    std::string_view name; // "acquisition-time", "type-and-count", "parity", "address-and-rate"
    std::uint16_t reg = 0;
    std::string value; // what is written, as text
    std::vector<std::uint8_t> frame;
};

// The writes in the order they are sent: acquisition time, type and count, parity, address and
// rate (the last two move the converter). `present` fills what the change keeps (the type for
// --meters alone, the rate for --new-address alone). Empty, with the problem, when one cannot be
// built.
std::vector<ConfigStep> PlanConfigSteps(const ConfigChange& change, const protocol::ConverterConfig& present,
                                        std::string& problem);

// The configuration the converter should read back after every step went through.
protocol::ConverterConfig ExpectedConfig(const ConfigChange& change,
                                         const protocol::ConverterConfig& present);

// Reads the present configuration, sends the steps one by one (stopping at the first that is not
// echoed: the others are reported as not sent), follows the converter to its new parity, address
// and rate, and reads the configuration back there. One record per step and one of the read-back.
ExitCode RunConfigChange(link::Line& client, link::Converter& converter, const ConfigChange& change,
                         RecordPrinter& printer, std::ostream& err);

} // namespace tev::cli
