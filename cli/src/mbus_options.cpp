#include "tev/cli/mbus_options.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "tev/link/direct_line.hpp"
#include "tev/link/terminal.hpp"

namespace tev::cli {
namespace {

bool EightHexDigits(std::string_view text) {
    return text.size() == 8 &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c) != 0; });
}

} // namespace

std::optional<std::uint32_t> MbusRateOf(const CommonOptions& common, std::string& problem) {
    if (common.parity && *common.parity != link::kDirectLineParity) {
        problem = "the M-Bus line runs even parity";
        return std::nullopt;
    }
    const std::uint32_t rate = common.rateOr(kDefaultMbusRate);
    if (!link::KnownBaudFromText(std::to_string(rate))) {
        problem =
            "--rate " + std::to_string(rate) + ": give 300, 600, 1200, 2400, 4800, 9600, 19200 or 38400";
        return std::nullopt;
    }
    return rate;
}

std::optional<std::string> ManufacturerOption(const ParsedArgs& parsed, std::string& problem) {
    const std::string* given = parsed.value("manufacturer");
    const std::string text = given != nullptr ? *given : "FFFFFFFF";
    if (EightHexDigits(text))
        return text;
    problem = "--manufacturer " + text + ": give 8 hexadecimal digits (" +
              link::FieldErrorText(link::FieldError::ManufacturerLength) + ")";
    return std::nullopt;
}

std::optional<link::AddressRequest> ManualAddressRequest(const ParsedArgs& parsed, std::string& problem) {
    const auto manufacturer = ManufacturerOption(parsed, problem);
    const std::string* id = parsed.value("id");
    if (id == nullptr || !EightHexDigits(*id))
        problem = "--id: give the meter's identification number, 8 digits (" +
                  std::string(link::FieldErrorText(link::FieldError::IdentificationLength)) + ")";
    if (!parsed.has("new-address") && problem.empty())
        problem = "--new-address is missing (0..250)";
    const auto address = NumberOption(parsed, "new-address", 0, 250, problem);
    if (!manufacturer || !address || !problem.empty())
        return std::nullopt;
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(*address));
    const link::FieldCheck check = link::CheckManualFields(*manufacturer, *id, hex);
    if (!check)
        problem = link::FieldErrorText(check.error);
    return check ? std::optional(check.request) : std::nullopt;
}

std::optional<std::size_t> ChecksumStartOption(const ParsedArgs& parsed, std::string& problem) {
    const std::string* text = parsed.value("checksum-from");
    if (text == nullptr || *text == "2")
        return link::ChecksumStartOffset(1);
    if (*text == "1")
        return link::ChecksumStartOffset(0);
    if (*text == "5")
        return link::ChecksumStartOffset(2);
    problem = "--checksum-from " + *text + ": give 1, 2 or 5 (the byte the checksum starts at)";
    return std::nullopt;
}

std::optional<protocol::MeterOrigin> OriginOption(const ParsedArgs& parsed, std::string& problem) {
    const std::string* text = parsed.value("origin");
    if (text == nullptr || *text == "domestic")
        return protocol::MeterOrigin::Domestic;
    if (*text == "imported")
        return protocol::MeterOrigin::Imported;
    problem = "--origin " + *text + ": give domestic or imported";
    return std::nullopt;
}

} // namespace tev::cli
