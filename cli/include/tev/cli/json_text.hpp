// One JSON object on one line, built field by field: what --json prints and what the collector
// publishes. Texts are escaped; bytes that are not UTF-8 are written as U+FFFD.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tev::cli {

// A JSON string literal with its quotes.
std::string JsonString(std::string_view text);

class JsonObject {
  public:
    JsonObject& add(std::string_view key, std::string_view text);
    JsonObject& add(std::string_view key, const char* text) { return add(key, std::string_view(text)); }
    JsonObject& add(std::string_view key, std::int64_t number);
    JsonObject& add(std::string_view key, int number) { return add(key, static_cast<std::int64_t>(number)); }
    JsonObject& add(std::string_view key, double number); // finite numbers; NaN and infinities as null
    JsonObject& add(std::string_view key, bool value);
    JsonObject& addNull(std::string_view key);
    // A value already in JSON (an object or array built elsewhere).
    JsonObject& addRaw(std::string_view key, std::string_view json);
    // "{...}"
    std::string text() const { return "{" + m_body + "}"; }

  private:
    void key(std::string_view name);
    std::string m_body;
};

} // namespace tev::cli
