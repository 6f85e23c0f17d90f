// Sets of simulated lines: described by a small text file, started together.
//
// File format: '#' or ';' start a comment line. "[line]" opens a line; the keys after it describe it:
//   name = converters              title shown by tev-sim
//   port = 1                       COM number to map (TEV_COM1=...); 0 or missing: none
//   device = /dev/ttyUSB0          serve this real serial device instead of a new pseudo-terminal
//   device-baud = 9600             rate and parity (none, even, odd) of that real device
//   device-parity = none
//   pacing = on | off              wire-speed pacing (on by default)
//   delay = 3                      reply delay in ms
//   drop = every:5                 faults: off, next:N (the next N replies) or every:N (every N-th
//   corrupt = next:2                 reply), for drop (no reply), corrupt (checksum byte flipped),
//   garbage = off                    garbage (noise bytes before the reply), truncate (first half
//   truncate = off                   only) and late (reply begins late-ms after the request)
//   late = every:3
//   late-ms = 150                  turnaround of a late reply, 0..60000 (default 1000)
//   converter = address=1 baud=9600 meters=8 type=1 time=60 parity=0 mode=1 serial=12345678
//   mbus = primary=1 id=12345678 manufacturer=2C2D version=01 medium=07 baud=2400 litres=1500
//   domestic = address=00000012345678 type=10 wakeup=2 baud=2400 m3=12.5
//   modules = default              the I-7000 style module bank
//   measuring = address=01 baud=9600
// Numbers are decimal; manufacturer, version, medium and the domestic type are hexadecimal, the
// domestic address is 14 digits as printed (most significant first).
#pragma once

#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"
#include "tev/sim/mbus_meter.hpp"
#include "tev/sim/measuring_module.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tev::sim {

struct ConverterSpec {
    ConverterConfig config;
    std::int32_t firstSerial = 10000001;
};

// Faults of a line as LineOptions counts them: n > 0 the next n replies, -n every n-th, 0 off.
struct LineFaults {
    int drop = 0;
    int corrupt = 0;
    int garbage = 0;
    int truncate = 0;
    int late = 0;
    int lateMs = kDefaultLateReplyMs;
    bool operator==(const LineFaults&) const = default;
};

struct LineSpec {
    std::string name;
    int port = 0;
    std::string device; // empty: a new pseudo-terminal
    std::uint32_t deviceBaud = 9600;
    int deviceParity = 0;
    bool pacing = true;
    int replyDelayMs = 0;
    LineFaults faults;
    std::vector<ConverterSpec> converters;
    std::vector<MbusMeterSpec> mbusMeters;
    std::vector<DomesticMeterSpec> domesticMeters;
    bool modules = false;
    std::optional<MeasuringModuleSpec> measuring;
};

struct SetupSpec {
    std::vector<LineSpec> lines;
};

struct SetupParseResult {
    std::optional<SetupSpec> setup;
    int errorLine = 0; // 1-based line of the first error
    std::string error;
    explicit operator bool() const { return setup.has_value(); }
};

SetupParseResult ParseSetup(std::string_view text);
// Applies one key of a [line] section to `line` (as the file would); returns the problem, or an
// empty text when the key was taken.
std::string SetLineKey(LineSpec& line, std::string_view key, std::string_view value);

// The shipped default: two converters with meters (COM1), an M-Bus meter line (COM2), an I-7000
// module line (COM3) and the measuring module of the graph display (COM4).
extern const std::string_view kDefaultSetupText;

// One started line and the devices on it, for callers that look at or change device state.
struct RunningLine {
    std::string name;
    int port = 0;
    std::unique_ptr<Line> line;
    std::vector<std::shared_ptr<Converter>> converters;
    std::shared_ptr<MbusMeterBank> mbusMeters;
    std::string note; // e.g. why a requested device is missing
};

struct Setup {
    std::vector<RunningLine> lines;
    // "TEV_COM<N>=<path>" for every line with a port, one per line.
    std::string exports() const;
};
using DefaultSetup = Setup;

// Creates and starts every line; throws std::system_error when a line cannot be opened.
Setup StartSetup(const SetupSpec& spec);
// startSetup of kDefaultSetupText.
DefaultSetup StartDefaultSetup();

} // namespace tev::sim
