// What the subcommands print: one record (named fields in order) per line, as "key=value" text, as
// a JSON object (--json) or as CSV (--csv: a header line before the first record and again whenever
// the fields change). Each line is flushed as it is printed, so a script sees results as they come.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tev/cli/common_options.hpp"

namespace tev::cli {

using FieldValue = std::variant<std::monostate, std::string, std::int64_t, double, bool>;

struct Field {
    std::string key;
    FieldValue value; // monostate: null (nothing read)
};

class Record {
  public:
    Record& add(std::string_view key, std::string_view text);
    Record& add(std::string_view key, const char* text) { return add(key, std::string_view(text)); }
    Record& add(std::string_view key, std::int64_t number);
    Record& add(std::string_view key, int number) { return add(key, std::int64_t{number}); }
    Record& add(std::string_view key, double number);
    Record& add(std::string_view key, bool value);
    Record& addNull(std::string_view key);
    const std::vector<Field>& fields() const noexcept { return m_fields; }

  private:
    std::vector<Field> m_fields;
};

// The line of a record without its line feed.
std::string TextLine(const Record& record); // key=value, a value with blanks or quotes in quotes
std::string JsonLine(const Record& record);
std::string CsvLine(const Record& record);
std::string CsvHeader(const Record& record);

class RecordPrinter {
  public:
    RecordPrinter(std::ostream& out, OutputFormat format) : m_out(out), m_format(format) {}
    void print(const Record& record);

  private:
    std::ostream& m_out;
    OutputFormat m_format;
    std::string m_header; // CSV header of the last record
};

} // namespace tev::cli
