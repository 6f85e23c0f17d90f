// What each simulated model can do: one row per model, written once.
#pragma once

#include <cstdint>
#include <string_view>

namespace tev::sim {

// Command groups a model answers; a route serves the models that have any of its bits.
enum Feature : std::uint32_t {
    AiSingle = 1u << 0,      // one analog input, read with "#AA"
    AiMulti = 1u << 1,       // several inputs: "#AAN" reads one, "#AA" scans all
    AiDollarRead = 1u << 2,  // channel read with "$AAN" (87033)
    AiHexScan = 1u << 3,     // "$AAA": all channels in hex (7017)
    TcOpen = 1u << 4,        // "$AAB": open thermocouple flag (7011)
    AoExcite = 1u << 5,      // excitation output "$AA7" / "$AA6" (7016, 87016)
    AoOut = 1u << 6,         // analog outputs "#AA..." with read-back "$AA6" / "$AA8"
    DoAnalog = 1u << 7,      // "@AADO" two outputs and "@AADI" on analog and counter modules
    Do7016 = 1u << 8,        // "@AADOsN" single outputs of a 7016
    DioPort = 1u << 9,       // "@AA" port write, "$AA6" port read, "#AA1b0s" bit write
    DiCount = 1u << 10,      // "#AAN" input counters, "$AACN" clear
    DiLatch = 1u << 11,      // "$AALk" latches, "$AAC" clear
    AnalogAlarm = 1u << 12,  // "@AAEA" alarms, limits, event counter
    Led7016 = 1u << 13,      // "$AA3N" display channel
    Led7033 = 1u << 14,      // "$AA8N" display channel
    MapDollar = 1u << 15,    // linear mapping with "$" commands (7014)
    MapAt = 1u << 16,        // linear mapping with "@" commands (7016)
    Counter7080 = 1u << 17,  // counter/frequency module
    SafeDo = 1u << 18,       // "~AA5S"/"~AA5P" store outputs as safe / power-on value
    SafeDoAnalog = 1u << 19, // "~AA50p0s" (7011, 7012, 7014)
    SafeAo = 1u << 20,       // "~AA5N" / "$AA4N" analog safe and power-on values
    StartUp87K = 1u << 21,   // "$AA4N" / "$AA7N" start-up values of an 87K analog output card
    Unit8K = 1u << 22,       // 8000 unit: "S" and a slot digit address a card
    CardAi = 1u << 23,       // 8000 analog input card
    CardAo = 1u << 24,       // 8000 analog output card
    CardDio = 1u << 25,      // 8000 digital card
    BitGroups = 1u << 26,    // bit writes "#AAAb0s" / "#AABb0s" for bits 0-7 / 8-15
    ResetR = 1u << 27,       // reset status read with "$AAR" (7014) instead of "$AA5"
    Common = 1u << 28,       // configuration, name, watchdog: every module
};

// Where the bits of "$AA6" and the latch replies sit.
enum class PortLayout : std::uint8_t {
    None,
    OutIn,    // outputs in digits 1-2, inputs in 3-4 (8-bit DIO)
    Out16,    // outputs in digits 1-4
    In16,     // inputs in digits 1-4
    In8,      // inputs in digits 1-2
    OutIn16,  // 8000 card: 4 output digits then 4 input digits
    In32,     // 8000 card: 8 input digits
    Out32,    // 8000 card: 8 output digits
    OutNibIn, // 8000 card: 1 output digit, "00", 1 input digit
};

// How analog output values are written and read back.
enum class AoForm : std::uint8_t {
    None,
    Digits5, // "dd.ddd" without channel; also "+ddd.dd" percent and "hhh" hex (7021)
    Fixed6,  // channel digit and "dd.ddd" (7022)
    Signed7, // channel digit and "+dd.ddd" (7024, 8000 cards)
    Excite,  // "$AA7+dd.ddd" (7016)
};

struct ModelSpec {
    std::string_view name;
    std::uint32_t features = 0;
    std::uint8_t typeCode = 0; // default range code
    std::uint8_t aiChannels = 0;
    std::uint8_t aoChannels = 0;
    AoForm aoForm = AoForm::None;
    std::uint8_t doBits = 0;
    std::uint8_t diBits = 0;
    PortLayout layout = PortLayout::None;
};

// The row of `name`, or nullptr for a model the simulator does not know.
const ModelSpec* FindModel(std::string_view name);

// Ranges of input (0x00-0x16, RTD 0x20-0x23) and output (0x30-0x35) type codes.
struct TypeRange {
    double low = 0;
    double high = 0;
    int decimals = 3;
};
const TypeRange* FindRange(std::uint8_t typeCode);

} // namespace tev::sim
