#include "tev/cli/record_output.hpp"

#include <cmath>
#include <cstdio>

#include "tev/cli/json_text.hpp"

namespace tev::cli {
namespace {

std::string NumberText(double number) {
    if (!std::isfinite(number))
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", number);
    return text;
}

// The value as plain text: empty for null.
std::string PlainText(const FieldValue& value) {
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return std::to_string(*number);
    if (const auto* real = std::get_if<double>(&value))
        return NumberText(*real);
    if (const auto* flag = std::get_if<bool>(&value))
        return *flag ? "true" : "false";
    return {};
}

bool NeedsQuotes(std::string_view text, std::string_view special) {
    return text.find_first_of(special) != std::string_view::npos;
}

std::string CsvText(std::string_view text) {
    if (!NeedsQuotes(text, ",\"\r\n"))
        return std::string(text);
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

} // namespace

Record& Record::add(std::string_view key, std::string_view text) {
    m_fields.push_back({std::string(key), std::string(text)});
    return *this;
}

Record& Record::add(std::string_view key, std::int64_t number) {
    m_fields.push_back({std::string(key), number});
    return *this;
}

Record& Record::add(std::string_view key, double number) {
    m_fields.push_back({std::string(key), number});
    return *this;
}

Record& Record::add(std::string_view key, bool value) {
    m_fields.push_back({std::string(key), value});
    return *this;
}

Record& Record::addNull(std::string_view key) {
    m_fields.push_back({std::string(key), std::monostate{}});
    return *this;
}

std::string TextLine(const Record& record) {
    std::string line;
    for (const Field& field : record.fields()) {
        if (!line.empty())
            line += ' ';
        const std::string text = PlainText(field.value);
        const bool quoted = text.empty() || NeedsQuotes(text, " \t\"\\\r\n");
        line += field.key + "=" + (quoted ? JsonString(text) : text);
    }
    return line;
}

std::string JsonLine(const Record& record) {
    JsonObject object;
    for (const Field& field : record.fields()) {
        if (const auto* text = std::get_if<std::string>(&field.value))
            object.add(field.key, *text);
        else if (const auto* number = std::get_if<std::int64_t>(&field.value))
            object.add(field.key, *number);
        else if (const auto* real = std::get_if<double>(&field.value))
            object.add(field.key, *real);
        else if (const auto* flag = std::get_if<bool>(&field.value))
            object.add(field.key, *flag);
        else
            object.addNull(field.key);
    }
    return object.text();
}

std::string CsvLine(const Record& record) {
    std::string line;
    for (const Field& field : record.fields()) {
        if (&field != &record.fields().front())
            line += ',';
        line += CsvText(PlainText(field.value));
    }
    return line;
}

std::string CsvHeader(const Record& record) {
    std::string line;
    for (const Field& field : record.fields()) {
        if (&field != &record.fields().front())
            line += ',';
        line += CsvText(field.key);
    }
    return line;
}

void RecordPrinter::print(const Record& record) {
    switch (m_format) {
    case OutputFormat::Text:
        m_out << TextLine(record) << '\n';
        break;
    case OutputFormat::Json:
        m_out << JsonLine(record) << '\n';
        break;
    case OutputFormat::Csv:
        if (std::string header = CsvHeader(record); header != m_header) {
            m_out << header << '\n';
            m_header = std::move(header);
        }
        m_out << CsvLine(record) << '\n';
        break;
    }
    m_out.flush();
}

} // namespace tev::cli
