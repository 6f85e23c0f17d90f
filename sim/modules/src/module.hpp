// State of one simulated module (or 8000 card).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model_table.hpp"
#include "signals.hpp"
#include "tev/sim/module_bank.hpp"

namespace tev::sim {

struct AnalogOutput {
    double value = 0.0;
    double safe = 0.0;
    double powerOn = 0.0;
};

// Alarm of an analog input module: mode 0 off, 1 momentary, 2 latched.
struct AnalogAlarmState {
    int mode = 0;
    double low = 0.0;
    double high = 0.0;
    bool lowActive = false;
    bool highActive = false;
};

struct LinearMap {
    bool enabled = false;
    std::string source = "-10.000+10.000";
    std::string target = "+0.0000+100.00";
};

struct Watchdog {
    bool enabled = false;
    std::uint8_t tenths = 0; // timeout in 0.1 s
    bool timedOut = false;
    std::int64_t lastHostOk = 0;
};

struct Counter {
    std::uint32_t value = 0;
    std::uint32_t max = 0xFFFFFFFF;
    std::uint32_t preset = 0;
    std::uint32_t alarmLimit = 0xFFFFFFFF;
    bool counting = true;
    bool alarmEnabled = false;
    std::uint32_t pulsesPerSecond = 10;
    std::int64_t last = 0;
};

struct Module7080 {
    std::array<Counter, 2> counters{};
    char alarmKind = 'M'; // 7080D: momentary or latched
    std::uint8_t inputMode = 0;
    std::uint8_t moduleMode = 0;
    std::uint8_t gateMode = 2;
    std::array<std::uint8_t, 2> levels{8, 24}; // low and high trigger level in 0.1 V
    std::array<std::uint32_t, 2> widths{2, 2}; // minimum signal width low and high, in us
    std::string led = "000000";
};

// Alarm of one 8000 analog input card channel, low (0) and high (1).
struct CardAlarm {
    std::array<char, 2> mode{'D', 'D'}; // D disabled, M momentary, L latched
    std::array<double, 2> limit{-9.0, 9.0};
    std::array<bool, 2> active{false, false};
    std::array<std::string, 2> connect{"S*C*", "S*C*"};
};

struct Module {
    const ModelSpec* spec = nullptr;
    std::uint8_t address = 0;
    bool checksum = false;
    std::uint8_t type = 0;
    std::uint8_t baud = 0x06; // 9600 bit/s
    std::uint8_t format = 0;  // bit 6 checksum, bits 0-1 data format
    bool pendingChecksum = false;
    std::uint8_t pendingBaud = 0x06;
    bool resetFlag = true;

    std::array<AnalogInput, 16> inputs{};
    std::array<AnalogOutput, 4> outputs{};
    std::uint32_t doBits = 0;
    std::uint32_t doSafe = 0;
    std::uint32_t doPowerOn = 0;
    DigitalInputs di;
    AnalogAlarmState alarm;
    std::uint32_t eventCount = 0;
    std::uint8_t led = 0;
    LinearMap map;
    Watchdog watchdog;
    Module7080 m7080;
    std::array<CardAlarm, 8> cardAlarms{};

    int slot = -1;             // card slot in an 8000 unit
    std::vector<Module> cards; // an 8000 unit's cards
};

// Builds a module of `spec` in its power-on state.
Module MakeModule(const ModelSpec& spec, std::uint8_t address, bool checksum,
                  std::optional<std::uint8_t> typeCode, DataFormat format);

// Brings time-driven state (inputs, counters, alarms, watchdog) up to `now`.
void Advance(Module& m, std::int64_t now);

// Restarts the time-driven state at `now` (new clock, power-on).
void Rebase(Module& m, std::int64_t now);

// Applies power-on values and pending settings.
void PowerUp(Module& m, std::int64_t now);

} // namespace tev::sim
