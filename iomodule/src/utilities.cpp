// The utility exports: version, the self-test call, arithmetic helpers and the CCITT CRC.
#include <array>
#include <cstdint>
#include <cstring>

#include <tev/tev_module.h>

namespace {

constexpr std::uint16_t kVersion = 0x0506;
constexpr std::uint16_t kCcittPolynomial = 0x1021; // x^16 + x^12 + x^5 + 1

std::array<std::uint16_t, 256> BuildCrcTable() noexcept {
    std::array<std::uint16_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r = 0;
        std::uint32_t d = i << 8;
        for (int bit = 0; bit < 8; ++bit) {
            r = ((r ^ d) & 0x8000u) ? (r << 1) ^ kCcittPolynomial : r << 1;
            d <<= 1;
            r &= 0xFFFFu;
            d &= 0xFFFFu;
        }
        table[i] = static_cast<std::uint16_t>(r);
    }
    return table;
}

// Built on first use; the language makes that initialisation thread-safe, so first calls may race.
const std::array<std::uint16_t, 256>& CrcTable() noexcept {
    static const std::array<std::uint16_t, 256> table = BuildCrcTable();
    return table;
}

void CopyText(char* to, const char* text) noexcept {
    if (to)
        std::strcpy(to, text);
}

} // namespace

extern "C" {

uint16_t Get_Dll_Version(void) {
    return kVersion;
}

uint16_t Test(WordArgs w, float* f, char* command_trace, char* reply_trace) {
    CopyText(command_trace, "Command String Send to I7000");
    CopyText(reply_trace, "Command String Receive From I7000");
    for (int i = 0; i < 4; ++i) {
        if (w)
            w[i] = static_cast<std::uint16_t>(w[i] + 1);
        if (f)
            f[i] += 1.0F;
    }
    return TEV_MODULE_OK;
}

int32_t Short_Sub_2(int16_t a, int16_t b) {
    return static_cast<std::int32_t>(a) - b;
}

float Float_Sub_2(float a, float b) {
    return a - b;
}

uint32_t IntToUnsig(int32_t value) {
    return static_cast<std::uint32_t>(value);
}

int32_t ShiftLeft(int32_t value, int32_t count) {
    // Shifted as unsigned: the same bits as the processor's shift, without signed overflow.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)
                                     << (static_cast<std::uint32_t>(count) & 31u));
}

int32_t ShiftRight(int32_t value, int32_t count) {
    return value >> (static_cast<std::uint32_t>(count) & 31u);
}

void MakeCRC16Table(void) {
    (void)CrcTable();
}

uint32_t GetCRC16(const uint8_t* data, int32_t count) {
    const auto& table = CrcTable();
    std::uint32_t c = 0;
    for (std::int32_t i = 0; data && i < count; ++i)
        c = (table[c >> 8] ^ (c << 8) ^ data[i]) & 0xFFFFu;
    return c;
}

} // extern "C"
