#include "tev/collect/watch_config.hpp"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "config_table.hpp"
#include "tev/link/port_mapping.hpp"
#include "tev/protocol/register_map.hpp"

namespace tev::collect {
namespace {

constexpr std::uintmax_t kMaxFileBytes = 1024 * 1024;

std::string ReadText(const ConfigTable& table, std::string_view key, std::string fallback) {
    return table.text(key).value_or(std::move(fallback));
}

MqttTls ReadTls(const ConfigTable& table) {
    table.allow({"cafile", "capath", "certfile", "keyfile", "insecure"});
    MqttTls tls{ReadText(table, "cafile", {}), ReadText(table, "capath", {}), ReadText(table, "certfile", {}),
                ReadText(table, "keyfile", {}), table.flag("insecure").value_or(false)};
    if (tls.cafile.empty() && tls.capath.empty())
        table.fail("", "needs cafile or capath");
    if (tls.certfile.empty() != tls.keyfile.empty())
        table.fail(tls.certfile.empty() ? "keyfile" : "certfile", "certfile and keyfile go together");
    return tls;
}

MqttConfig ReadMqtt(const ConfigTable& table) {
    table.allow({"host", "port", "username", "password", "tls", "client_id", "keepalive", "queue"});
    MqttConfig mqtt;
    mqtt.host = ReadText(table, "host", mqtt.host);
    if (mqtt.host.empty())
        table.fail("host", "must not be empty");
    mqtt.port = static_cast<int>(table.integer("port", 1, 65535).value_or(mqtt.port));
    mqtt.username = ReadText(table, "username", {});
    mqtt.password = ReadText(table, "password", {});
    if (!mqtt.password.empty() && mqtt.username.empty())
        table.fail("password", "a password needs a username");
    if (const auto tls = table.table("tls"))
        mqtt.tls = ReadTls(*tls);
    mqtt.clientId = ReadText(table, "client_id", mqtt.clientId);
    if (mqtt.clientId.empty() || mqtt.clientId.size() > 64)
        table.fail("client_id", "must hold 1 .. 64 bytes");
    mqtt.keepalive = static_cast<int>(table.integer("keepalive", 5, 3600).value_or(mqtt.keepalive));
    mqtt.queue = static_cast<std::size_t>(table.integer("queue", 1, 1'000'000).value_or(1000));
    return mqtt;
}

// "COM3", "3", a device path or a gateway address.
std::string PortProblem(std::string_view port) {
    std::string_view number = port;
    if (number.size() > 3 && (number.substr(0, 3) == "COM" || number.substr(0, 3) == "com"))
        number.remove_prefix(3);
    if (!number.empty() && number.size() <= 3 &&
        std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const int value = std::stoi(std::string(number));
        return value >= 1 && value <= 255 ? "" : "COM numbers run from 1 to 255";
    }
    if (!port.empty() && port.front() == '/')
        return "";
    if (link::IsNetworkTarget(port))
        return link::PortTargetProblem(port);
    return "give COM1..COM255, a device path or tcp://HOST:PORT";
}

std::uint8_t ReadParity(const ConfigTable& table) {
    const std::string parity = ReadText(table, "parity", "none");
    if (parity == "none")
        return protocol::kParityNone;
    if (parity == "even")
        return protocol::kParityEven;
    if (parity == "odd")
        return protocol::kParityOdd;
    table.fail("parity", "\"" + parity + "\" is none of \"none\", \"even\", \"odd\"");
}

std::uint32_t ReadRate(const ConfigTable& table) {
    const auto rate = static_cast<std::uint32_t>(table.integer("rate", 1, 1'000'000).value_or(9600));
    if (!protocol::CodeFromBaud(rate))
        table.fail("rate", std::to_string(rate) + " is no rate of the converter (2400 4800 9600 19200 "
                                                  "38400 57600 115200)");
    return rate;
}

ConverterEntry ReadConverter(const ConfigTable& table) {
    table.allow({"address", "name"});
    const auto address = table.integer("address", 1, 247);
    if (!address)
        table.fail("", "needs an address (1 .. 247)");
    const auto name = table.text("name");
    if (!name)
        table.fail("", "needs a name");
    if (!UsableTopicLevel(*name))
        table.fail("name", "\"" + *name + "\" cannot be a topic level: 1 .. 64 bytes without '/', '+', '#'");
    if (*name == "." || *name == "..")
        table.fail("name", "\"" + *name + "\" cannot name the converter's folder of the CSV log");
    return {static_cast<std::uint8_t>(*address), *name};
}

LineConfig ReadLine(const ConfigTable& table) {
    table.allow({"port", "rate", "parity", "period", "timeout", "converter"});
    LineConfig line;
    const auto port = table.text("port");
    if (!port)
        table.fail("", "needs a port");
    if (const std::string problem = PortProblem(*port); !problem.empty())
        table.fail("port", "\"" + *port + "\": " + problem);
    line.port = *port;
    line.rate = ReadRate(table);
    line.parity = ReadParity(table);
    line.periodMs = static_cast<int>(table.integer("period", 100, 86'400'000).value_or(kDefaultPeriodMs));
    line.timeoutMs = static_cast<int>(table.integer("timeout", 0, 10'000).value_or(0));
    std::set<int> addresses;
    for (const ConfigTable& converter : table.tables("converter")) {
        line.converters.push_back(ReadConverter(converter));
        if (!addresses.insert(line.converters.back().address).second)
            converter.fail("address", "the line has another converter at this address");
    }
    if (line.converters.empty())
        table.fail("", "needs at least one [[line.converter]]");
    return line;
}

void CheckUnique(const std::vector<ConfigTable>& tables, const std::vector<LineConfig>& lines) {
    std::map<std::string, std::size_t> ports;
    std::set<std::string> names;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!ports.emplace(lines[i].port, i).second)
            tables[i].fail("port", "\"" + lines[i].port + "\" is already another line's port");
        const auto converters = tables[i].tables("converter");
        for (std::size_t k = 0; k < converters.size(); ++k) {
            if (!names.insert(lines[i].converters[k].name).second)
                converters[k].fail("name", "\"" + lines[i].converters[k].name +
                                               "\" is already another converter's name");
        }
    }
}

WatchConfig ReadConfig(const ConfigTable& top) {
    top.allow({"mqtt", "csv", "json", "line"});
    WatchConfig config;
    if (const auto mqtt = top.table("mqtt"))
        config.mqtt = ReadMqtt(*mqtt);
    if (const auto csv = top.table("csv")) {
        csv->allow({"folder"});
        config.csv = CsvConfig{ReadText(*csv, "folder", ".")};
    }
    if (const auto json = top.table("json")) {
        json->allow({"file"});
        config.json = JsonConfig{ReadText(*json, "file", "-")};
    }
    const auto lines = top.tables("line");
    for (const ConfigTable& line : lines)
        config.lines.push_back(ReadLine(line));
    if (config.lines.empty())
        top.fail("", "needs at least one [[line]]");
    CheckUnique(lines, config.lines);
    if (!config.mqtt && !config.csv && !config.json)
        config.csv = CsvConfig{};
    return config;
}

} // namespace

bool UsableTopicLevel(std::string_view name) {
    if (name.empty() || name.size() > 64)
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '+' || c == '#' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
}

ConfigResult ParseWatchConfig(std::string_view text, std::string_view source) {
    try {
        const toml::table root = toml::parse(text, source);
        return {ReadConfig(ConfigTable(root, "", source)), {}};
    } catch (const toml::parse_error& error) {
        return {std::nullopt, std::string(source) + ":" + std::to_string(error.source().begin.line) + ": " +
                                  std::string(error.description())};
    } catch (const ConfigError& error) {
        return {std::nullopt, error.what()};
    }
}

ConfigResult LoadWatchConfig(const std::filesystem::path& file) {
    std::error_code code;
    const auto size = std::filesystem::file_size(file, code);
    if (code)
        return {std::nullopt, file.string() + ": " + code.message()};
    if (size > kMaxFileBytes)
        return {std::nullopt, file.string() + ": larger than 1 MiB, no configuration"};
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in)
        return {std::nullopt, file.string() + ": cannot be read"};
    return ParseWatchConfig(text.str(), file.string());
}

} // namespace tev::collect
