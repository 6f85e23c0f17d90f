// Serial lines behind a network gateway: "tcp://HOST:PORT" (the raw bytes of the line) and
// "rfc2217://HOST:PORT" (Telnet with COM-PORT-CONTROL, which also sets the gateway's line).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

#include "line_setup.hpp"
#include "port_map.hpp"

namespace uart::detail {

struct Port;

// Connects p to its gateway (p.kind, p.path), within UART_CONNECT_TIMEOUT_MS and ended early by a
// cancel of the port (p.wakeFd open, p.ticket noted). Sets p.fd; else returns the status with
// result.error set.
SetupResult ConnectGateway(Port& p, const LineName& name);

// Applies the settings to a connected gateway: on an RFC 2217 line sends them and waits for its
// replies. Fails with UART_PORT_ERROR when the connection has ended (the caller reconnects).
SetupResult ConfigureGateway(Port& p, const LineSettings& settings);

// Reads up to size bytes of line data from a network line, as read(2) does: the count, 0 at the
// end of the connection, -1 with errno set (EINTR when only Telnet commands came). An ended or
// reset connection marks the port dropped.
ssize_t ReadNet(Port& p, std::uint8_t* buffer, std::size_t size);

// Writes up to count bytes as they are (the caller escapes line data on an RFC 2217 line), as
// write(2) does. Never raises SIGPIPE; a connection found ended marks the port dropped.
ssize_t WriteNet(Port& p, const std::uint8_t* data, std::size_t count);

// Reads and drops what is waiting on a network line.
void DiscardNet(Port& p);

} // namespace uart::detail
