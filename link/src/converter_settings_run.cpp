// The settings page's exchanges, run on the serial thread.
#include <algorithm>
#include <utility>

#include "tev/link/converter_settings.hpp"

#include <algorithm>
#include <utility>

#include "tev/link/type_file.hpp"
#include "tev/protocol/hex_input.hpp"
#include "tev/protocol/meter_list.hpp"
#include "tev/protocol/register_map.hpp"
#include "tev/protocol/timeout.hpp"
#include "tev/protocol/values.hpp"

namespace tev::link {
namespace {

// T is 0 at 38400 bit/s and above, which would give up before the first reply byte could arrive;
// every exchange of the page waits at least this long.
constexpr std::uint32_t kMinTimeoutMs = 100;

std::uint16_t TimeoutMs(const Converter& converter, std::uint32_t extraMs) {
    return std::max<std::uint16_t>(protocol::ReceiveTimeoutMs(converter.baud, extraMs), kMinTimeoutMs);
}

// Opens the port (kept open between calls) and exchanges one Modbus request.
ExchangeResult Exchange(Line& client, const Converter& converter, std::span<const std::uint8_t> request,
                        std::uint32_t extraMs) {
    if (client.open(converter.settings()) != 0) {
        ExchangeResult failed;
        failed.error = ExchangeError::NotOpen;
        return failed;
    }
    return client.modbus(request, TimeoutMs(converter, extraMs));
}

} // namespace

CommandOutcome RunSettingsJob(Line& client, const Converter& converter, const SettingsJob& job) {
    const ExchangeResult result = Exchange(client, converter, job.frame, job.extraMs);
    return {job.command, result.error, result.exceptionCode};
}

std::optional<Converter> AddressChange::settle(const Converter& converter, const CommandOutcome& outcome) {
    if (outcome.command != SettingsCommand::AddressBaud)
        return std::nullopt;
    const auto change = std::exchange(m_change, std::nullopt);
    if (!outcome.ok() || !change)
        return std::nullopt;
    return WithAddressAndRate(converter, change->first, change->second);
}

TypeList SettingsTypeList(std::vector<std::string> names, std::uint8_t type) {
    const std::string chosen = TypeNameOf(names, type);
    if (std::find(names.begin(), names.end(), chosen) == names.end())
        names.push_back(chosen);
    std::sort(names.begin(), names.end());
    const auto at = std::find(names.begin(), names.end(), chosen);
    return {names, static_cast<std::size_t>(at - names.begin())};
}

std::string FailureReason(const CommandOutcome& outcome) {
    std::string reason = ExchangeErrorText(outcome.error);
    if (outcome.error == ExchangeError::Exception)
        reason += " " + protocol::FormatHexBytes(std::array{outcome.exceptionCode});
    return reason;
}

std::optional<ConfigRead> ReadConfiguration(Line& client, const Converter& converter) {
    const auto request = protocol::BuildReadRequest(converter.address, protocol::kRegConfigFirst,
                                                    protocol::kConfigRegisterCount);
    const ExchangeResult result = Exchange(client, converter, request, 0);
    if (!result)
        return std::nullopt;
    const auto config = protocol::DecodeConfig(result.data);
    if (!config)
        return std::nullopt;
    return ConfigRead{*config, protocol::ConfigText(result.data)};
}

MeterListRead ReadMeterList(Line& client, const Converter& converter, std::size_t meterCount) {
    constexpr std::uint32_t kExtraMs = 300;
    const auto blocks = protocol::SplitSecondaryBlocks(meterCount);
    MeterListRead read;
    if (blocks.low > 0) {
        if (const ExchangeResult r = Exchange(
                client, converter, protocol::BuildSecondaryLowRead(converter.address, meterCount), kExtraMs))
            read.block1 = r.data;
    }
    if (blocks.high > 0) {
        if (const ExchangeResult r = Exchange(
                client, converter, protocol::BuildSecondaryHighRead(converter.address, meterCount), kExtraMs))
            read.block2 = r.data;
    }
    if (const ExchangeResult r =
            Exchange(client, converter, protocol::BuildMeterTypesRead(converter.address), kExtraMs))
        read.types = r.data;
    return read;
}

} // namespace tev::link
