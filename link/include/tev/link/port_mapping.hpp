// COM ports and the serial devices behind them: the devices present, the user's ports file that
// libuart reads (lines "COM<N>=<device>"), and why a port could not be opened, in the window's words.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tev/link/program_files.hpp"

namespace tev::link {

// A ports file is a few short lines; it is read up to this size (whole lines only), as libuart does.
inline constexpr std::size_t kPortsFileReadLimit = 64 * 1024;

struct SerialDevice {
    std::string path;        // what a COM port maps to: /dev/serial/by-id/..., /dev/ttyUSB0, ...
    std::string description; // adapter name or kind, for the list
    bool operator==(const SerialDevice&) const = default;
};

// The serial devices present under devRoot (normally /dev, with sysRoot /sys): adapters by id
// (/dev/serial/by-id/*), then ttyUSB*, ttyACM* and the ttyS* that have a real UART.
std::vector<SerialDevice> ListSerialDevices(const std::filesystem::path& devRoot = "/dev",
                                            const std::filesystem::path& sysRoot = "/sys");

// The ports file the user's mapping goes to: $TEV_PORTS_FILE when set (portsFileOverride), else
// $XDG_CONFIG_HOME/tev/ports (~/.config/tev/ports).
std::filesystem::path UserPortsFile(const UserEnvironment& env, const std::string& portsFileOverride);

// The mapping of a ports file: port number -> device (comments and other lines ignored). A missing
// or unreadable file gives an empty mapping.
std::map<int, std::string> ReadPortsFile(const std::filesystem::path& file);

// Writes the mapping (ports 1..16 with a non-empty device) into the file, keeping its comments and
// its lines for other ports; the file is replaced whole (WriteFileReplacing), so a failed write
// leaves the old one. Returns an empty text, or why not (with the path).
std::string WritePortsFile(const std::filesystem::path& file, const std::map<int, std::string>& mapping);

// What a mapped device name is worth: none given, a device that is there, one that is gone (an
// adapter unplugged, a simulator stopped: a link to a gone device counts as gone), or a
// pseudo-terminal (/dev/pts/N), which lasts only as long as the program behind it and may later
// be another program's terminal.
enum class MappedDevice { None, Present, Missing, PseudoTerminal };
MappedDevice CheckMappedDevice(const std::string& device);

// What a COM port may be mapped to: empty (the default device), a device path ("/dev/ttyUSB0"), or a
// serial line behind a network gateway, "tcp://HOST:PORT" (raw) or "rfc2217://HOST:PORT" (Telnet with
// port control), HOST a name, an IPv4 address or [an IPv6 address]. Returns why text is none of them,
// in Chinese, or an empty text.
std::string PortTargetProblem(std::string_view text);

// True when text names a network gateway (tcp:// or rfc2217://).
bool IsNetworkTarget(std::string_view text);

// Why a port could not be opened, in Chinese, from libuart's reason (which is kept after it).
std::string OpenReasonText(std::string_view uartReason);

} // namespace tev::link
