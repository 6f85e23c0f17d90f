// The collector's configuration, read from a TOML file: the lines with their converters and the
// outputs (CSV log, JSON lines, MQTT). Every key is checked: an unknown key, a value of the wrong kind
// or out of range is an error naming the file, the line and the key. Without any output table the
// overview's CSV log is written to the current folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tev::collect {

struct MqttTls {
    std::string cafile, capath, certfile, keyfile;
    bool insecure = false; // do not check the broker's host name against its certificate
};

struct MqttConfig {
    std::string host = "127.0.0.1";
    int port = 1883;
    std::string username, password;
    std::optional<MqttTls> tls;
    std::string clientId = "tev-watch"; // each converter's connection adds "-<name>"
    int keepalive = 60;                 // s
    std::size_t queue = 1000;           // messages held per converter while the broker is away
};

struct CsvConfig {
    std::filesystem::path folder = ".";
};

struct JsonConfig {
    std::string file = "-"; // "-": standard output
};

struct ConverterEntry {
    std::uint8_t address = 1;
    std::string name; // its topic level on the broker and its name in the JSON lines
};

inline constexpr int kDefaultPeriodMs = 10000;

struct LineConfig {
    std::string port; // "COM1", "/dev/ttyUSB0", "tcp://host:port", "rfc2217://host:port"
    std::uint32_t rate = 9600;
    std::uint8_t parity = 0;         // 0 none, 1 even, 2 odd
    int periodMs = kDefaultPeriodMs; // raised to the wire's minimum for the line's converters
    int timeoutMs = 0;               // reply time allowed beyond the frames' wire time and turnaround
    std::vector<ConverterEntry> converters;
};

struct WatchConfig {
    std::optional<MqttConfig> mqtt;
    std::optional<CsvConfig> csv;
    std::optional<JsonConfig> json;
    std::vector<LineConfig> lines;
};

struct ConfigResult {
    std::optional<WatchConfig> config;
    std::string error; // "watch.toml:7: line[1].rate: ..." when config is empty
};

// The configuration in `text`; `source` names it in errors.
ConfigResult ParseWatchConfig(std::string_view text, std::string_view source);
// The configuration in the file (at most 1 MiB).
ConfigResult LoadWatchConfig(const std::filesystem::path& file);

// The name can be one level of an MQTT topic: 1..64 bytes, none of '/', '+', '#' or control bytes.
bool UsableTopicLevel(std::string_view name);

} // namespace tev::collect
