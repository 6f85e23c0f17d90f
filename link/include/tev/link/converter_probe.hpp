// One probe of the converter search: the read of the configuration registers 6000-6004 at one address
// and rate, the check of the reply, and the ConverterEntry made from it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tev/link/converter.hpp"
#include "tev/link/serial_settings.hpp"

namespace tev::link {

// A configuration reply: address, function, byte count, 5 registers (10 bytes), CRC.
inline constexpr std::size_t kConfigurationReplySize = 15;

// The request: read 5 holding registers (function 0x03) from register 6000, CRC low byte first.
std::array<std::uint8_t, 8> SearchRequest(std::uint8_t address);

// A converter at `address` answered when the reply is exactly its configuration reply to
// SearchRequest(address): CheckModbusReply finds address, function 0x03, byte count 10 and the CRC
// matching, with nothing before or after the 15 bytes. A reply from another address, such as a
// late one from the address probed before, does not count.
bool IsConverterReply(std::uint8_t address, std::span<const std::uint8_t> reply) noexcept;

// The converter found at these settings and address; its configuration text holds reply bytes 3..10
// and 12 as hex (byte 11 is left out). The reply must pass IsConverterReply(address, reply).
Converter MakeConverter(const SerialSettings& settings, std::uint8_t address,
                        std::span<const std::uint8_t> reply);

struct ProbeOutcome {
    bool opened = false;     // the port could be opened (at the first or the second try)
    std::string openFailure; // why not, when it could not
    std::vector<std::uint8_t> reply;
    bool answered = false; // IsConverterReply(address, reply)
};

class Line;

// The probe on client: opens the port with these settings unless it is open with them already
// (closing and opening once more after a failure), sends the request and receives within timeoutMs
// until the reply of `address` is in (Line::modbus). The port stays open.
ProbeOutcome ProbeConverterOn(Line& client, const SerialSettings& settings, std::uint8_t address,
                              std::uint16_t timeoutMs);

// Opens the port (closing and opening once more after a failure), sends the request, receives within
// timeoutMs until the reply of `address` is in (Line::modbus) and closes the port again.
// Blocks for at most the timeout plus the time to write.
ProbeOutcome ProbeConverter(const SerialSettings& settings, std::uint8_t address, std::uint16_t timeoutMs);

} // namespace tev::link
