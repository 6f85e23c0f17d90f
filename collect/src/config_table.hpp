// One table of the collector's configuration as the reader checks it: typed values in range, unknown
// keys refused, every error naming the file, the line and the key's path ("line[2].rate").
#pragma once

#include <toml++/toml.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tev::collect {

// A configuration error, already in its final words.
class ConfigError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class ConfigTable {
  public:
    ConfigTable(const toml::table& table, std::string path, std::string_view source)
        : m_table(table), m_path(std::move(path)), m_source(source) {}

    // Fails on the first key not in `known`.
    void allow(std::initializer_list<std::string_view> known) const;
    std::optional<std::int64_t> integer(std::string_view key, std::int64_t min, std::int64_t max) const;
    std::optional<std::string> text(std::string_view key) const;
    std::optional<bool> flag(std::string_view key) const;
    std::optional<ConfigTable> table(std::string_view key) const;
    // An array of tables ([[key]]); empty when the key is absent.
    std::vector<ConfigTable> tables(std::string_view key) const;
    // Throws ConfigError "source:line: path.key: what" (the line of the key, else of the table).
    [[noreturn]] void fail(std::string_view key, std::string_view what) const;
    std::string keyPath(std::string_view key) const;

  private:
    const toml::node* node(std::string_view key) const { return m_table.get(key); }

    const toml::table& m_table;
    std::string m_path;
    std::string_view m_source;
};

} // namespace tev::collect
