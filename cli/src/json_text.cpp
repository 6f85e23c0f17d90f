#include "tev/cli/json_text.hpp"

#include <cmath>
#include <cstdio>

namespace tev::cli {
namespace {

// Length of the UTF-8 sequence at text[i], 0 when it is none.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const std::size_t length = byte < 0x80 ? 1 : (byte >> 5) == 6 ? 2 : (byte >> 4) == 14 ? 3 : (byte >> 3) == 30 ? 4 : 0;
    if (length == 0 || (byte >= 0xC0 && byte < 0xC2) || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

void AppendEscaped(std::string& out, char c) {
    switch (c) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
    }
    if (static_cast<unsigned char>(c) < 0x20) {
        char code[8];
        std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
        out += code;
        return;
    }
    out += c;
}

} // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else if (length == 1) {
            AppendEscaped(out, text[i++]);
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out + "\"";
}

void JsonObject::key(std::string_view name) {
    if (!m_body.empty())
        m_body += ',';
    m_body += JsonString(name);
    m_body += ':';
}

JsonObject& JsonObject::add(std::string_view name, std::string_view text) {
    key(name);
    m_body += JsonString(text);
    return *this;
}

JsonObject& JsonObject::add(std::string_view name, std::int64_t number) {
    key(name);
    m_body += std::to_string(number);
    return *this;
}

JsonObject& JsonObject::add(std::string_view name, double number) {
    key(name);
    if (!std::isfinite(number)) {
        m_body += "null";
        return *this;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", number);
    m_body += text;
    return *this;
}

JsonObject& JsonObject::add(std::string_view name, bool value) {
    key(name);
    m_body += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::addNull(std::string_view name) {
    key(name);
    m_body += "null";
    return *this;
}

JsonObject& JsonObject::addRaw(std::string_view name, std::string_view json) {
    key(name);
    m_body += json;
    return *this;
}

} // namespace tev::cli
