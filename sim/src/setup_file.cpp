// Parser of the simulator set-up file.
#include "tev/sim/setup.hpp"

#include <charconv>
#include <map>

namespace tev::sim {
namespace {

using Fields = std::map<std::string, std::string, std::less<>>;

constexpr double kMaxDecimal = 1e9;

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// "k=v k=v" into a map; nullopt for a word without '='.
std::optional<Fields> FieldsOf(std::string_view text) {
    Fields fields;
    while (!(text = Trim(text)).empty()) {
        const auto end = std::min(text.find_first_of(" \t"), text.size());
        const auto word = text.substr(0, end);
        const auto eq = word.find('=');
        if (eq == std::string_view::npos || eq == 0)
            return std::nullopt;
        fields[std::string(word.substr(0, eq))] = std::string(word.substr(eq + 1));
        text.remove_prefix(end);
    }
    return fields;
}

// Reads fields of one device; the first problem is kept in `error`.
class Reader {
  public:
    explicit Reader(const Fields& fields) : m_fields(fields) {}

    template <typename T> void number(std::string_view key, T& out, std::uint64_t max, int base = 10) {
        const auto it = m_fields.find(key);
        if (it == m_fields.end())
            return;
        std::uint64_t value = 0;
        const auto& s = it->second;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
        if (ec != std::errc() || end != s.data() + s.size() || value > max)
            fail(std::string(key) + " out of range: " + s);
        else
            out = static_cast<T>(value);
    }
    void decimal(std::string_view key, double& out) {
        const auto it = m_fields.find(key);
        if (it == m_fields.end())
            return;
        try {
            std::size_t used = 0;
            out = std::stod(it->second, &used);
            // Volumes become BCD digits: a NaN, an infinity or a value past 10^9 has none.
            if (used != it->second.size() || !(out >= 0 && out <= kMaxDecimal))
                fail(std::string(key) + " is not a number from 0 to 1e9");
        } catch (const std::exception&) {
            fail(std::string(key) + " is not a number");
        }
    }
    std::optional<std::string> text(std::string_view key) const {
        const auto it = m_fields.find(key);
        return it == m_fields.end() ? std::nullopt : std::optional(it->second);
    }
    void fail(std::string message) {
        if (m_error.empty())
            m_error = std::move(message);
    }
    const std::string& error() const { return m_error; }

  private:
    const Fields& m_fields;
    std::string m_error;
};

std::string ConverterOf(Reader& r, LineSpec& line) {
    ConverterSpec spec;
    std::uint32_t baud = 9600;
    r.number("address", spec.config.address, 255);
    r.number("baud", baud, 115200);
    r.number("meters", spec.config.meterCount, kConverterMeters);
    r.number("type", spec.config.meterType, 255);
    r.number("time", spec.config.acquisitionTime, 9999);
    r.number("parity", spec.config.parity, 2);
    r.number("mode", spec.config.mode, 1);
    r.number("serial", spec.firstSerial, 99999999);
    const auto code = ConverterBaudCode(baud);
    if (!code)
        r.fail("a converter has no baud rate " + std::to_string(baud));
    else
        spec.config.baudCode = *code;
    if (spec.config.address == 0)
        r.fail("converter address 0 is the broadcast address");
    line.converters.push_back(spec);
    return r.error();
}

std::string MbusOf(Reader& r, LineSpec& line) {
    MbusMeterSpec spec;
    r.number("primary", spec.primary, 250);
    r.number("id", spec.id, 99999999);
    r.number("manufacturer", spec.manufacturer, 0xFFFF, 16);
    r.number("version", spec.version, 0xFF, 16);
    r.number("medium", spec.medium, 0xFF, 16);
    r.number("baud", spec.baud, 115200);
    r.decimal("litres", spec.litres);
    r.decimal("flow", spec.litresPerHour);
    line.mbusMeters.push_back(spec);
    return r.error();
}

std::string DomesticOf(Reader& r, LineSpec& line) {
    DomesticMeterSpec spec;
    r.number("type", spec.type, 0xFF, 16);
    r.number("wakeup", spec.wakeUpBytes, 8);
    r.number("baud", spec.baud, 115200);
    r.decimal("m3", spec.cubicMetres);
    r.decimal("flow", spec.cubicMetresPerHour);
    if (const auto address = r.text("address")) {
        if (address->size() != 14 || address->find_first_not_of("0123456789") != std::string::npos)
            r.fail("domestic address needs 14 digits");
        else
            for (std::size_t i = 0; i < 7; ++i) // printed most significant first, sent least first
                spec.address[6 - i] =
                    static_cast<std::uint8_t>(((*address)[2 * i] - '0') << 4 | ((*address)[2 * i + 1] - '0'));
    }
    line.domesticMeters.push_back(spec);
    return r.error();
}

std::string MeasuringOf(Reader& r, LineSpec& line) {
    MeasuringModuleSpec spec;
    if (const auto address = r.text("address"))
        spec.address = *address;
    if (spec.address.size() != 2)
        r.fail("measuring module address needs two characters");
    r.number("baud", spec.baud, 115200);
    line.measuring = spec;
    return r.error();
}

constexpr int kMaxFaultCount = 1'000'000;
constexpr std::uint64_t kMaxLateMs = 60'000;

// "off", "next:N" or "every:N" as a LineOptions fault counter.
std::optional<int> FaultCount(std::string_view value) {
    if (value == "off")
        return 0;
    const bool every = value.starts_with("every:");
    if (!every && !value.starts_with("next:"))
        return std::nullopt;
    value.remove_prefix(every ? 6 : 5);
    int n = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (ec != std::errc() || end != value.data() + value.size() || n < 1 || n > kMaxFaultCount)
        return std::nullopt;
    return every ? -n : n;
}

int* FaultField(LineFaults& faults, std::string_view key) {
    if (key == "drop")
        return &faults.drop;
    if (key == "corrupt")
        return &faults.corrupt;
    if (key == "garbage")
        return &faults.garbage;
    if (key == "truncate")
        return &faults.truncate;
    if (key == "late")
        return &faults.late;
    return nullptr;
}

// Keys whose value is a number or a list of key=value fields.
std::string FieldKey(LineSpec& line, std::string_view key, std::string_view value) {
    const bool single = key == "port" || key == "delay" || key == "late-ms" || key == "device-baud";
    const auto fields = FieldsOf(single ? "v=" + std::string(value) : std::string(value));
    if (!fields)
        return "expected key=value pairs";
    Reader r(*fields);
    if (key == "port")
        r.number("v", line.port, 255);
    else if (key == "delay")
        r.number("v", line.replyDelayMs, 10000);
    else if (key == "late-ms")
        r.number("v", line.faults.lateMs, kMaxLateMs);
    else if (key == "device-baud")
        r.number("v", line.deviceBaud, 921600);
    else if (key == "converter")
        return ConverterOf(r, line);
    else if (key == "mbus")
        return MbusOf(r, line);
    else if (key == "domestic")
        return DomesticOf(r, line);
    else if (key == "measuring")
        return MeasuringOf(r, line);
    else
        return "unknown key or value: " + std::string(key);
    return r.error();
}

} // namespace

std::string SetLineKey(LineSpec& line, std::string_view key, std::string_view value) {
    if (int* fault = FaultField(line.faults, key)) {
        const auto count = FaultCount(value);
        if (!count)
            return std::string(key) + " needs off, next:N or every:N (N from 1 to 1000000)";
        *fault = *count;
    } else if (key == "name")
        line.name = value;
    else if (key == "device")
        line.device = value;
    else if (key == "modules")
        line.modules = value != "off";
    else if (key == "pacing" && (value == "on" || value == "off"))
        line.pacing = value == "on";
    else if (key == "device-parity" && (value == "none" || value == "even" || value == "odd"))
        line.deviceParity = value == "none" ? 0 : value == "even" ? 1 : 2;
    else
        return FieldKey(line, key, value);
    return {};
}

SetupParseResult ParseSetup(std::string_view text) {
    SetupSpec setup;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const auto end = std::min(text.find('\n'), text.size());
        const auto line = Trim(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line == "[line]") {
            setup.lines.emplace_back();
            continue;
        }
        const auto eq = line.find('=');
        if (setup.lines.empty())
            return {std::nullopt, number, "a key before the first [line]"};
        if (eq == std::string_view::npos)
            return {std::nullopt, number, "expected key = value"};
        if (auto error = SetLineKey(setup.lines.back(), Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
            !error.empty())
            return {std::nullopt, number, std::move(error)};
    }
    if (setup.lines.empty())
        return {std::nullopt, number, "no [line] in the set-up"};
    return {std::move(setup), 0, {}};
}

const std::string_view kDefaultSetupText = R"(# tev-sim default set-up
[line]
name = converters
port = 1
converter = address=1 baud=9600 meters=8 type=1 time=60 parity=0 mode=1 serial=12345678
converter = address=2 baud=9600 meters=40 type=2 time=120 parity=0 mode=1 serial=20000001

[line]
name = M-Bus meters
port = 2
mbus = primary=1 id=12345678 manufacturer=2C2D version=01 medium=07 baud=2400 litres=1530 flow=12
mbus = primary=2 id=12345679 manufacturer=2C2D version=01 medium=07 baud=2400 litres=880 flow=7
mbus = primary=0 id=00001111 manufacturer=4024 version=02 medium=04 baud=2400 litres=45000 flow=30
domestic = address=00000087654321 type=10 wakeup=2 baud=2400 m3=123.45 flow=0.2

[line]
name = I-7000 modules
port = 3
modules = default

[line]
name = measuring module
port = 4
measuring = address=01 baud=9600
)";

} // namespace tev::sim
