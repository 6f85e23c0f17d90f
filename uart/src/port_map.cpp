#include "port_map.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace uart::detail {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A ports file is a few short lines; more than this is not one.
constexpr std::size_t kMaxPortsFileBytes = 64 * 1024;

// Only a readable regular file counts: a FIFO or a device named by mistake would block or never end.
bool Readable(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), R_OK) == 0;
}

// The file up to kMaxPortsFileBytes. A longer one keeps its whole lines only, so a line cut by the
// limit ("COM1=/dev/ttyUSB12" cut after "1") never names another device.
std::string ReadBounded(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(kMaxPortsFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxPortsFileBytes) {
        const auto end = text.rfind('\n');
        text.resize(end == std::string::npos ? 0 : std::min(end + 1, kMaxPortsFileBytes));
    }
    return text;
}

constexpr std::string_view kTcp = "tcp://";
constexpr std::string_view kRfc2217 = "rfc2217://";
bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i])
            return false;
    return true;
}

// Splits "HOST:PORT" or "[IPV6]:PORT"; an empty text when it does, else why not.
std::string SplitHostPort(std::string_view name, std::string_view& host, std::string_view& port) {
    if (!name.empty() && name.front() == '[') {
        const auto close = name.find(']');
        if (close == std::string_view::npos || close + 1 >= name.size() || name[close + 1] != ':')
            return "an IPv6 address is written [ADDRESS]:PORT";
        host = name.substr(1, close - 1);
        port = name.substr(close + 2);
        return {};
    }
    const auto colon = name.rfind(':');
    if (colon == std::string_view::npos)
        return "no port number: write HOST:PORT";
    host = name.substr(0, colon);
    port = name.substr(colon + 1);
    if (host.find(':') != std::string_view::npos)
        return "an IPv6 address is written [ADDRESS]:PORT";
    return {};
}

// The port number 1..65535 of the text, else 0.
unsigned PortNumber(std::string_view port) {
    unsigned value = 0;
    for (const char c : port) {
        if (c < '0' || c > '9' || value > 65535)
            return 0;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value <= 65535 ? value : 0;
}

bool IsHostCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_' || c == ':' ||
           c == '%';
}

} // namespace

LineName ParseLineName(std::string_view name) {
    LineName out;
    if (StartsWithIgnoreCase(name, kTcp)) {
        out.kind = LineKind::Tcp;
        name.remove_prefix(kTcp.size());
    } else if (StartsWithIgnoreCase(name, kRfc2217)) {
        out.kind = LineKind::Rfc2217;
        name.remove_prefix(kRfc2217.size());
    } else {
        return out;
    }
    if (!name.empty() && name.back() == '/')
        name.remove_suffix(1);
    std::string_view host;
    std::string_view port;
    if (out.error = SplitHostPort(name, host, port); !out.error.empty())
        return out;
    const unsigned value = PortNumber(port);
    if (host.empty() || host.size() > 253)
        out.error = "no host name or address";
    else if (!std::all_of(host.begin(), host.end(), IsHostCharacter))
        out.error = "the host name holds a character no host name has";
    else if (value == 0)
        out.error = "the port number must be 1..65535";
    if (!out.error.empty())
        return out;
    out.host = std::string(host);
    out.port = static_cast<std::uint16_t>(value);
    return out;
}

std::string LookUpPortsText(std::string_view text, std::uint8_t port) {
    const std::string key = "COM" + std::to_string(port);
    while (!text.empty()) {
        const auto eol = text.find('\n');
        std::string_view line = Trim(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (line.empty() || line.front() == '#' || line.front() == ';')
            continue;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        if (EqualsIgnoreCase(Trim(line.substr(0, eq)), key))
            return std::string(Trim(line.substr(eq + 1)));
    }
    return {};
}

std::string PortsFilePath() {
    if (const char* named = std::getenv("TEV_PORTS_FILE"); named && *named)
        return Readable(named) ? named : std::string{};
    std::string user;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        user = std::string(xdg) + "/tev/ports";
    else if (const char* home = std::getenv("HOME"); home && *home)
        user = std::string(home) + "/.config/tev/ports";
    if (Readable(user))
        return user;
    return Readable("/etc/tev/ports") ? "/etc/tev/ports" : std::string{};
}

std::string DevicePath(std::uint8_t port) {
    const std::string var = "TEV_COM" + std::to_string(port);
    if (const char* env = std::getenv(var.c_str()); env && *env)
        return env;
    if (const std::string file = PortsFilePath(); !file.empty()) {
        if (std::string found = LookUpPortsText(ReadBounded(file), port); !found.empty())
            return found;
    }
    return "/dev/ttyS" + std::to_string(port == 0 ? 0 : port - 1);
}

} // namespace uart::detail
