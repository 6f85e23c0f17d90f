// The program's names for the uart serial ports: "COM<n>", the device it maps to, why it failed to
// open. Exchanges run on a Line (line.hpp).
#pragma once

#include <string>

namespace tev::link {

inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 16;

// "COM<n>".
std::string PortName(int port);
// The Linux device that port n means (TEV_COM<n>, the ports file, else /dev/ttyS<n-1>).
std::string PortDevice(int port);
// Why the last open of port n failed, with the port and its device: "COM3 (/dev/pts/4): Permission
// denied"; only the port and its device when no reason is known.
std::string OpenFailureText(int port);
// Closes every port this process has open, ending the calls under way on them (for a program that
// is told to stop: the next program finds the devices free).
void CloseAllPorts();

} // namespace tev::link
