// The caller's argument arrays of one command function call.
#pragma once

#include <cstddef>
#include <cstdint>

#include <tev/tev_module_types.h>

namespace tev::iomodule {

// The three families of command functions; each has its own command and reply sizes and slot width.
enum class Family : std::uint8_t { I7000, Card8K, Card87K };

// The integer block: 16-bit slots (I-7000 functions) or 32-bit slots (_8K, _87K functions).
class Slots {
  public:
    explicit Slots(std::uint16_t* words) noexcept : m_words(words) {}
    explicit Slots(std::uint32_t* longs) noexcept : m_longs(longs) {}

    bool valid() const noexcept { return m_words != nullptr || m_longs != nullptr; }
    bool wide() const noexcept { return m_longs != nullptr; }
    // The slot's low 16 bits: what every function reads of an argument.
    std::uint16_t word(std::size_t i) const noexcept {
        return m_words ? m_words[i] : static_cast<std::uint16_t>(m_longs[i] & 0xFFFFu);
    }
    // The whole slot (32 bits in a LongArgs block).
    std::uint32_t whole(std::size_t i) const noexcept { return m_words ? m_words[i] : m_longs[i]; }
    // Stores a result as a whole slot (its low 16 bits in a WordArgs block).
    void set(std::size_t i, std::uint32_t value) const noexcept {
        if (m_words)
            m_words[i] = static_cast<std::uint16_t>(value);
        else
            m_longs[i] = value;
    }

  private:
    std::uint16_t* m_words = nullptr;
    std::uint32_t* m_longs = nullptr;
};

// One call of a command function: its family and the four caller-owned arrays.
struct Call {
    Family family = Family::I7000;
    Slots slots;
    float* floats = nullptr;
    char* commandTrace = nullptr;
    char* replyTrace = nullptr;

    Call(std::uint16_t* w, float* f, char* c, char* r) noexcept
        : family(Family::I7000), slots(w), floats(f), commandTrace(c), replyTrace(r) {}
    Call(Family fam, std::uint32_t* w, float* f, char* c, char* r) noexcept
        : family(fam), slots(w), floats(f), commandTrace(c), replyTrace(r) {}

    std::uint8_t port() const noexcept {
        return static_cast<std::uint8_t>(slots.word(TEV_SLOT_PORT) & 0xFFu);
    }
    std::uint8_t address() const noexcept {
        return static_cast<std::uint8_t>(slots.word(TEV_SLOT_ADDRESS) & 0xFFu);
    }
    // The module identifier: the 87K functions read the 32-bit slot whole (0x87017 needs 20 bits).
    std::uint32_t model() const noexcept {
        return family == Family::Card87K ? slots.whole(TEV_SLOT_MODEL) : slots.word(TEV_SLOT_MODEL);
    }
    std::uint16_t checksumFlag() const noexcept { return slots.word(TEV_SLOT_CHECKSUM); }
    bool checksum() const noexcept { return checksumFlag() != 0; }
    std::uint16_t timeout() const noexcept { return slots.word(TEV_SLOT_TIMEOUT); }
    std::uint16_t traceFlag() const noexcept { return slots.word(TEV_SLOT_TRACE); }
    std::uint16_t arg(std::size_t slot) const noexcept { return slots.word(slot); }

    // TEV_MODULE_OK when the arrays the function needs are there, else TEV_MODULE_NULL_ARGUMENT.
    // The port and the address are their slots' low 8 bits, never refused here: a port of 0 gets
    // uart's own answer, and an address of 0x1A0 goes out as A0.
    std::uint16_t require(bool needsFloats) const noexcept {
        return slots.valid() && (!needsFloats || floats) ? TEV_MODULE_OK : TEV_MODULE_NULL_ARGUMENT;
    }
    // Stores v in float slot i when there is a float block.
    void setFloat(std::size_t i, double v) const noexcept {
        if (floats)
            floats[i] = static_cast<float>(v);
    }
    void clearFloats(std::size_t count, float value = 0.0F) const noexcept {
        for (std::size_t i = 0; floats && i < count; ++i)
            floats[i] = value;
    }
    double getFloat(std::size_t i) const noexcept { return floats ? floats[i] : 0.0; }
};

} // namespace tev::iomodule
