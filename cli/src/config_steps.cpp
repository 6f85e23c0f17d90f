#include "tev/cli/config_steps.hpp"

#include <cstdio>

#include "tev/cli/converter_access.hpp"
#include "tev/cli/interrupt.hpp"
#include "tev/protocol/register_map.hpp"

namespace tev::cli {
namespace {

std::optional<std::size_t> RateIndexOfRate(long rate) {
    for (std::size_t i = 0; i < link::kRateCount; ++i) {
        if (link::RateText(i) == std::to_string(rate))
            return i;
    }
    return std::nullopt;
}

std::string HexByte(std::uint8_t value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value));
    return text;
}

ConfigStep Step(link::SettingsCommand command, std::string_view name, std::uint16_t reg, std::string value,
                const link::BuiltWrite& write, std::string& problem) {
    if (!write)
        problem = std::string(name) + ": " + link::InputErrorText(write.error);
    return {command, name, reg, std::move(value), write.frame};
}

void AddressStep(const ConfigChange& change, const protocol::ConverterConfig& present,
                 std::vector<ConfigStep>& steps, std::string& problem) {
    const auto rateIndex = change.rateIndex ? change.rateIndex : link::RateIndexOfCode(present.baudCode);
    if (!rateIndex) {
        problem = "the converter's rate code " + HexByte(present.baudCode) +
                  " is none of its rates: give --new-rate";
        return;
    }
    const std::uint8_t address = change.newAddress.value_or(change.address);
    steps.push_back(Step(link::SettingsCommand::AddressBaud, "address-and-rate", protocol::kRegAddressBaud,
                         std::to_string(address) + " " + link::RateText(*rateIndex),
                         link::BuildAddressBaudWrite(change.address, HexByte(address), *rateIndex), problem));
}

} // namespace

std::optional<ConfigChange> ParseConfigChange(const ParsedArgs& parsed, std::string& problem) {
    ConfigChange change;
    change.address = ConverterAddressOption(parsed, problem).value_or(1);
    if (const auto time = NumberOption(parsed, "acquisition-time", 3, 9999, problem))
        change.acquisitionTime = static_cast<std::uint16_t>(*time);
    if (const auto meters = NumberOption(parsed, "meters", 0, 64, problem))
        change.meters = static_cast<std::uint8_t>(*meters);
    if (const auto type = NumberOption(parsed, "type", 0, 255, problem))
        change.type = static_cast<std::uint8_t>(*type);
    if (const auto address = NumberOption(parsed, "new-address", 1, 255, problem))
        change.newAddress = static_cast<std::uint8_t>(*address);
    if (const auto rate = NumberOption(parsed, "new-rate", 1, 4'000'000, problem)) {
        change.rateIndex = RateIndexOfRate(*rate);
        if (!change.rateIndex)
            problem = "--new-rate " + std::to_string(*rate) +
                      ": give 2400, 4800, 9600, 19200, 38400, 57600 or 115200";
    }
    if (const std::string* parity = parsed.value("new-parity")) {
        change.parity = ParseParity(*parity);
        if (!change.parity)
            problem = "--new-parity " + *parity + ": give none, even or odd";
    }
    const bool asked = change.acquisitionTime || change.meters || change.type || change.parity ||
                       change.newAddress || change.rateIndex;
    if (problem.empty() && !asked)
        problem =
            "nothing to set (--acquisition-time, --meters, --type, --new-parity, --new-address, --new-rate)";
    return problem.empty() ? std::optional(change) : std::nullopt;
}

std::vector<ConfigStep> PlanConfigSteps(const ConfigChange& change, const protocol::ConverterConfig& present,
                                        std::string& problem) {
    std::vector<ConfigStep> steps;
    const std::uint8_t at = change.address;
    if (change.acquisitionTime) {
        const std::string time = std::to_string(*change.acquisitionTime);
        steps.push_back(Step(link::SettingsCommand::AcquisitionTime, "acquisition-time",
                             protocol::kRegAcquisitionTime, time, link::BuildAcquisitionTimeWrite(at, time),
                             problem));
    }
    if (change.meters || change.type) {
        const std::string type = std::to_string(change.type.value_or(present.meterType));
        const std::string count = std::to_string(change.meters.value_or(present.meterCount));
        steps.push_back(Step(link::SettingsCommand::TypeAndCount, "type-and-count",
                             protocol::kRegTypeAndCount, type + " " + count,
                             link::BuildTypeAndCountWrite(at, type, count), problem));
    }
    if (change.parity)
        steps.push_back(Step(link::SettingsCommand::Parity, "parity", protocol::kRegParity,
                             std::string(ParityName(*change.parity)),
                             link::BuildParityWrite(at, *change.parity), problem));
    if (change.newAddress || change.rateIndex)
        AddressStep(change, present, steps, problem);
    if (!problem.empty())
        steps.clear();
    return steps;
}

protocol::ConverterConfig ExpectedConfig(const ConfigChange& change,
                                         const protocol::ConverterConfig& present) {
    protocol::ConverterConfig expected = present;
    expected.acquisitionTime = change.acquisitionTime.value_or(present.acquisitionTime);
    expected.meterCount = change.meters.value_or(present.meterCount);
    expected.meterType = change.type.value_or(present.meterType);
    expected.parity = change.parity.value_or(present.parity);
    expected.address = change.newAddress.value_or(change.address);
    if (change.rateIndex)
        expected.baudCode = protocol::kBaudCodes[*change.rateIndex].code;
    return expected;
}

} // namespace tev::cli
