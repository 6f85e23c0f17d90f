// Simulated I-7000 style remote I/O modules sharing one serial line.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tev::sim {

struct Module;

// How an analog input module reports its readings (low two bits of the configuration's format byte).
enum class DataFormat : std::uint8_t { Engineering = 0, PercentOfRange = 1, Hex = 2 };

// One module to put on the line.
struct ModuleOptions {
    ModuleOptions() = default;
    ModuleOptions(std::string model_, std::uint8_t address_, bool checksum_ = false,
                  std::optional<std::uint8_t> typeCode_ = std::nullopt,
                  DataFormat format_ = DataFormat::Engineering)
        : model(std::move(model_)), address(address_), checksum(checksum_), typeCode(typeCode_),
          format(format_) {}

    std::string model;                    // "7017", "87024", or "8000" for a unit that carries cards
    std::uint8_t address = 1;             // 0x00..0xFF
    bool checksum = false;                // commands and replies carry two checksum characters
    std::optional<std::uint8_t> typeCode; // input or output range code; the model's default when empty
    DataFormat format = DataFormat::Engineering;
};

// All I-7000 style modules on one serial line. Not thread-safe: one caller at a time.
class ModuleBank {
  public:
    // Milliseconds on a monotonic scale; drives varying inputs, counters and watchdogs.
    using Clock = std::function<std::int64_t()>;

    ModuleBank();
    ~ModuleBank();
    ModuleBank(ModuleBank&&) noexcept;
    ModuleBank& operator=(ModuleBank&&) noexcept;

    // Adds a module; false for an unknown model or an address already in use.
    bool addModule(const ModuleOptions& options);
    // Puts an 8000 card (e.g. "8017") into slot 0..7 of the unit at `unitAddress`.
    bool addCard(std::uint8_t unitAddress, int slot, std::string_view model);

    // Answers one command line (the characters before CR, checksum characters included when the
    // module's checksum is on). Returns the reply without CR (with its checksum when on), or
    // std::nullopt when no module answers (wrong address, bad checksum, garbled command, "~**").
    std::optional<std::string> answer(std::string_view line);

    // Replaces the clock (tests inject a settable one). The default counts from construction.
    void setClock(Clock clock);
    // Pins an analog input channel to a fixed value (engineering units); slot -1 = not a card.
    bool setAnalogInput(std::uint8_t address, int channel, double value, int slot = -1);
    // Pins the digital inputs to `bits`; edges against the previous inputs count and latch.
    bool setDigitalInputs(std::uint8_t address, std::uint32_t bits, int slot = -1);
    // Present digital outputs and analog output value, for demos and tests.
    std::optional<std::uint32_t> digitalOutputs(std::uint8_t address, int slot = -1);
    std::optional<double> analogOutput(std::uint8_t address, int channel, int slot = -1);
    // Switches every module off and on: power-on values, pending checksum and baud settings apply.
    void powerCycle();

    // Addresses in use, ascending.
    std::vector<std::uint8_t> addresses() const;

    // A bank with every model the library's functions need (see module_bank.cpp for the list).
    static ModuleBank makeDefault();

  private:
    Module* find(std::uint8_t address, int slot);
    void hostAlive(std::string_view line, std::int64_t t);
    // The answer of module m (at address) to its command cmd (checksum removed).
    std::string reply(Module& m, std::uint8_t address, std::string_view cmd, std::int64_t t);
    std::int64_t now() const;

    std::map<std::uint8_t, std::unique_ptr<Module>> m_modules;
    Clock m_clock;
};

} // namespace tev::sim
