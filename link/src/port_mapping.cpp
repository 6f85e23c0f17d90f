#include "tev/link/port_mapping.hpp"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <system_error>

#include "tev/link/file_write.hpp"
#include "tev/link/limited_text.hpp"

namespace tev::link {
namespace fs = std::filesystem;
namespace {

std::string ReadSmallFile(const fs::path& file) {
    std::ifstream in(file);
    std::string text;
    std::getline(in, text);
    return text;
}

// Port number of a "COM<N>=..." line, 0 for any other line.
int PortOfLine(std::string_view line, std::string* device) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front())))
        line.remove_prefix(1);
    if (line.size() < 5 || (line[0] != 'C' && line[0] != 'c') || (line[1] != 'O' && line[1] != 'o') ||
        (line[2] != 'M' && line[2] != 'm'))
        return 0;
    std::size_t i = 3;
    int port = 0;
    while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])) && port < 1000)
        port = port * 10 + (line[i++] - '0');
    while (i < line.size() && line[i] == ' ')
        ++i;
    if (i == 3 || i >= line.size() || line[i] != '=')
        return 0;
    std::string_view value = line.substr(i + 1);
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.front())))
        value.remove_prefix(1);
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back())))
        value.remove_suffix(1);
    if (device)
        *device = std::string(value);
    return port;
}

void AddTtys(const fs::path& devRoot, const fs::path& sysRoot, std::string_view prefix, const char* kind,
             std::vector<SerialDevice>& out) {
    std::error_code ec;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(devRoot, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size())
            continue;
        // A ttyS without a UART behind it reports type 0 (unknown).
        if (prefix == "ttyS" && ReadSmallFile(sysRoot / "class/tty" / name / "type") == "0")
            continue;
        if (prefix == "ttyS" && !fs::exists(sysRoot / "class/tty" / name / "type", ec))
            continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const auto& name : names)
        out.push_back({(devRoot / name).string(), kind});
}

// Calls `each` with every line of `text`, without its line feed.
template <typename Each> void ForEachLine(std::string_view text, Each each) {
    while (!text.empty()) {
        const auto end = text.find('\n');
        each(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char p, char t) { return p == std::tolower(static_cast<unsigned char>(t)); });
}

// Why host:port after a gateway's scheme is not an address libuart can connect to; empty when it is.
std::string AddressProblem(std::string_view address) {
    if (!address.empty() && address.back() == '/')
        address.remove_suffix(1);
    std::string_view host;
    std::string_view port;
    if (!address.empty() && address.front() == '[') {
        const auto close = address.find(']');
        if (close == std::string_view::npos || close + 1 >= address.size() || address[close + 1] != ':')
            return "IPv6 地址应写成 [地址]:端口";
        host = address.substr(1, close - 1);
        port = address.substr(close + 2);
    } else {
        const auto colon = address.rfind(':');
        if (colon == std::string_view::npos)
            return "缺少端口号: 应写成 主机:端口";
        host = address.substr(0, colon);
        port = address.substr(colon + 1);
        if (host.find(':') != std::string_view::npos)
            return "IPv6 地址应写成 [地址]:端口";
    }
    if (host.empty() || host.size() > 253)
        return "缺少主机名或地址";
    for (const char c : host)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_' || c == ':' ||
              c == '%'))
            return "主机名含有无效字符";
    unsigned value = 0;
    for (const char c : port) {
        if (!std::isdigit(static_cast<unsigned char>(c)) || value > 65535)
            return "端口号应为 1..65535";
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (port.empty() || value == 0 || value > 65535)
        return "端口号应为 1..65535";
    return {};
}

} // namespace

bool IsNetworkTarget(std::string_view text) {
    return StartsWithNoCase(text, "tcp://") || StartsWithNoCase(text, "rfc2217://");
}

std::string PortTargetProblem(std::string_view text) {
    if (text.empty())
        return {};
    if (StartsWithNoCase(text, "tcp://"))
        return AddressProblem(text.substr(6));
    if (StartsWithNoCase(text, "rfc2217://"))
        return AddressProblem(text.substr(10));
    if (text.find("://") != std::string_view::npos)
        return "网络地址只能是 tcp://主机:端口 或 rfc2217://主机:端口";
    if (text.front() != '/')
        return "设备路径应以 / 开头, 例如 /dev/ttyUSB0";
    if (text.find_first_of("\n\r") != std::string_view::npos)
        return "设备路径不能换行";
    return {};
}

std::vector<SerialDevice> ListSerialDevices(const fs::path& devRoot, const fs::path& sysRoot) {
    std::vector<SerialDevice> out;
    std::error_code ec;
    std::vector<fs::path> byId;
    for (const auto& entry : fs::directory_iterator(devRoot / "serial/by-id", ec))
        byId.push_back(entry.path());
    std::sort(byId.begin(), byId.end());
    for (const auto& link : byId) {
        const fs::path target = fs::weakly_canonical(link, ec);
        out.push_back({link.string(), link.filename().string() + " -> " + target.filename().string()});
    }
    AddTtys(devRoot, sysRoot, "ttyUSB", "USB 串口", out);
    AddTtys(devRoot, sysRoot, "ttyACM", "USB 串口 (ACM)", out);
    AddTtys(devRoot, sysRoot, "ttyS", "串口", out);
    return out;
}

fs::path UserPortsFile(const UserEnvironment& env, const std::string& portsFileOverride) {
    if (!portsFileOverride.empty())
        return portsFileOverride;
    if (!env.configHome.empty() && fs::path(env.configHome).is_absolute())
        return fs::path(env.configHome) / "tev/ports";
    return fs::path(env.home.empty() ? "/tmp" : env.home) / ".config/tev/ports";
}

std::map<int, std::string> ReadPortsFile(const fs::path& file) {
    std::map<int, std::string> mapping;
    const LimitedFile read = ReadLimitedFile(file, kPortsFileReadLimit);
    ForEachLine(LimitText(read.bytes, kPortsFileReadLimit).text, [&](std::string_view line) {
        std::string device;
        if (const int port = PortOfLine(line, &device); port >= 1 && port <= 255 && !device.empty())
            mapping[port] = device;
    });
    return mapping;
}

std::string WritePortsFile(const fs::path& file, const std::map<int, std::string>& mapping) {
    std::ostringstream text;
    const LimitedFile old = ReadLimitedFile(file, kPortsFileReadLimit);
    ForEachLine(LimitText(old.bytes, kPortsFileReadLimit).text, [&](std::string_view line) {
        const int port = PortOfLine(line, nullptr);
        if (port < 1 || port > 16) // comments and other ports stay
            text << line << '\n';
    });
    for (const auto& [port, device] : mapping)
        if (port >= 1 && port <= 16 && !device.empty() && device.find('\n') == std::string::npos)
            text << "COM" << port << '=' << device << '\n';
    if (std::string why = MakeParentFolder(file); !why.empty())
        return why;
    return WriteFileReplacing(file, text.str());
}

MappedDevice CheckMappedDevice(const std::string& device) {
    if (device.empty())
        return MappedDevice::None;
    std::error_code ec;
    if (!std::filesystem::exists(device, ec))
        return MappedDevice::Missing;
    if (device.starts_with("/dev/pts/"))
        return MappedDevice::PseudoTerminal;
    return MappedDevice::Present;
}

std::string OpenReasonText(std::string_view uartReason) {
    const auto has = [uartReason](std::string_view part) {
        return uartReason.find(part) != std::string_view::npos;
    };
    std::string text;
    if (IsNetworkTarget(uartReason)) {
        if (has("busy"))
            text = "网关被其他客户端占用";
        else if (has("connection refused"))
            text = "网关拒绝连接: 请检查地址和端口号";
        else if (has("name not found"))
            text = "找不到网关的主机名";
        else if (has("unreachable"))
            text = "网关不可达: 请检查网络";
        else if (has("timed out") || has("did not confirm"))
            text = "连接网关超时";
        else if (has("closed by the gateway") || has("closed the connection"))
            text = "网关断开了连接";
        else if (has("port control"))
            text = "网关不支持 RFC 2217 串口控制";
        else
            text = "无法连接网关";
        return text + " (" + std::string(uartReason) + ")";
    }
    if (has("dialout") || has("Permission denied") || has("Operation not permitted"))
        text = "没有权限打开串口: 请把用户加入 dialout 组 (sudo adduser $USER dialout), 然后重新登录";
    else if (has("another program") || has("busy"))
        text = "串口被其他程序占用";
    else if (has("no such serial device") || has("No such file") || has("No such device"))
        text = "串口设备不存在: 请检查转换器或串口映射";
    else if (has("line settings") || has("line parameters") || has("Inappropriate ioctl"))
        text = "不是串口设备";
    else if (uartReason.empty())
        return {};
    else
        text = "串口无法打开";
    return text + " (" + std::string(uartReason) + ")";
}

} // namespace tev::link
