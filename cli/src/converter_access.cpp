#include "tev/cli/converter_access.hpp"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "tev/link/converter_settings.hpp"
#include "tev/link/program_files.hpp"
#include "tev/link/type_file.hpp"
#include "tev/protocol/register_map.hpp"

namespace tev::cli {
namespace {

std::filesystem::path ProgramFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path(error) : self.parent_path();
}

} // namespace

std::optional<std::uint8_t> ConverterAddressOption(const ParsedArgs& parsed, std::string& problem) {
    if (!parsed.has("address")) {
        problem = "--address is missing (the converter's Modbus address, 1..255)";
        return std::nullopt;
    }
    const auto address = NumberOption(parsed, "address", 1, 255, problem);
    return address ? std::optional(static_cast<std::uint8_t>(*address)) : std::nullopt;
}

link::Converter ConverterFor(const CommonOptions& common, std::uint8_t address) {
    link::Converter converter;
    converter.port = common.port;
    converter.address = address;
    converter.baud = common.rateOr(kDefaultConverterRate);
    converter.parity = common.parity.value_or(0);
    return converter;
}

std::string OpenFor(link::Line& client, const link::Converter& converter) {
    if (client.open(converter.settings()) == 0)
        return {};
    return "cannot open the port: " + client.openFailure();
}

ExitCode ExchangeExit(link::ExchangeError error, bool write) {
    switch (error) {
    case link::ExchangeError::None:
        return ExitCode::Ok;
    case link::ExchangeError::NotOpen:
    case link::ExchangeError::WriteFailed:
        return ExitCode::Port;
    case link::ExchangeError::Cancelled:
        return ExitCode::Failed;
    case link::ExchangeError::Timeout:
        return ExitCode::NoAnswer;
    default:
        return write ? ExitCode::Refused : ExitCode::NoAnswer;
    }
}

std::string_view ExchangeWords(link::ExchangeError error) {
    switch (error) {
    case link::ExchangeError::None:
        return "done";
    case link::ExchangeError::NotOpen:
        return "port not open";
    case link::ExchangeError::WriteFailed:
        return "could not send";
    case link::ExchangeError::Timeout:
        return "no answer";
    case link::ExchangeError::BadFrame:
        return "corrupted reply";
    case link::ExchangeError::Mismatch:
        return "reply does not match the request";
    case link::ExchangeError::Exception:
        return "refused";
    case link::ExchangeError::Cancelled:
        return "cancelled";
    }
    return "failed";
}

void AddConfigFields(Record& record, const protocol::ConverterConfig& config, std::string_view text) {
    const auto baud = protocol::BaudFromCode(config.baudCode);
    record.add("converter_address", int{config.address});
    if (baud)
        record.add("converter_rate", std::int64_t{*baud});
    else
        record.addNull("converter_rate");
    record.add("acquisition_time", int{config.acquisitionTime})
        .add("meter_type", int{config.meterType})
        .add("meters", int{config.meterCount})
        .add("converter_parity", ParityName(config.parity))
        .add("mode", config.mode == protocol::kModeSecondary ? "secondary"
                     : config.mode == protocol::kModePrimary ? "primary"
                                                             : "?")
        .add("config", text);
}

std::optional<std::vector<std::string>> TypeNamesFor(const ParsedArgs& parsed, std::string& problem) {
    const std::string* given = parsed.value("types");
    const std::filesystem::path file =
        given != nullptr
            ? std::filesystem::path(*given)
            : link::LocateProgramFiles(ProgramFolder(), link::UserEnvironment::fromProcess()).typeFile();
    // LoadTypeFile gives no names for a file it cannot read; such a file is said here.
    if (std::ifstream probe(file, std::ios::binary); !probe) {
        problem = "cannot read the type names file " + file.string();
        if (given != nullptr)
            return std::nullopt;
        problem += "; types are named by their number";
        return std::vector<std::string>{};
    }
    return link::LoadTypeFile(file).names;
}

} // namespace tev::cli

namespace tev::cli {

std::optional<std::size_t> ConfiguredMeterCount(link::Line& client, const link::Converter& converter) {
    const auto read = link::ReadConfiguration(client, converter);
    if (!read)
        return std::nullopt;
    return std::min<std::size_t>(read->config.meterCount, link::MeterTable::kMaxUsed);
}

Record MeterRowRecord(std::size_t index, const std::string& serial, const std::string& type) {
    Record record;
    record.add("meter", static_cast<std::int64_t>(index + 1))
        .add("serial", serial)
        .add("type", type)
        .add("type_number", int{link::TypeNumberOfName(type)});
    return record;
}

} // namespace tev::cli
