#include "trace.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <tev/uart.h>

namespace uart::detail::trace {
namespace {

std::string TimeStamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ms));
    return text;
}

const char* StatusText(std::uint16_t status) {
    switch (status) {
    case UART_OK:
        return nullptr;
    case UART_TIMEOUT:
        return "timeout";
    case UART_CANCELLED:
        return "cancelled";
    case UART_WRITE_ERROR:
        return "write error";
    default:
        return "failed";
    }
}

void AppendText(std::string& out, std::span<const std::uint8_t> bytes) {
    out += " \"";
    for (const std::uint8_t b : bytes) {
        char esc[8];
        if (b == '\r' || b == '\n' || b == '"' || b == '\\')
            std::snprintf(esc, sizeof esc, "\\%c", b == '\r' ? 'r' : b == '\n' ? 'n' : static_cast<char>(b));
        else if (b >= 0x20 && b < 0x7F)
            std::snprintf(esc, sizeof esc, "%c", static_cast<char>(b));
        else
            std::snprintf(esc, sizeof esc, "\\x%02X", b);
        out += esc;
    }
    out += '"';
}

} // namespace

bool ReadSwitch() {
    const char* value = std::getenv("TEV_TRACE");
    return value && std::strcmp(value, "1") == 0;
}

void Line(std::uint8_t port, const std::string& device, Direction direction,
          std::span<const std::uint8_t> bytes, bool ascii, std::uint16_t status) {
    static constexpr const char* kArrow[] = {"->", "<-", "drop"};
    std::string out = TimeStamp() + " uart COM" + std::to_string(port) + " " + device + " " +
                      kArrow[static_cast<int>(direction)];
    const auto shown = bytes.first(std::min(bytes.size(), kMaxBytes));
    for (const std::uint8_t b : shown) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        out += hex;
    }
    if (shown.size() < bytes.size())
        out += " ... (" + std::to_string(bytes.size()) + " bytes)";
    if (ascii)
        AppendText(out, shown);
    if (const char* note = StatusText(status))
        out += std::string(" (") + note + ")";
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stderr); // one write: lines of several threads stay whole
}

} // namespace uart::detail::trace
