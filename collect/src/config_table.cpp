#include "config_table.hpp"

#include <algorithm>

namespace tev::collect {

std::string ConfigTable::keyPath(std::string_view key) const {
    return m_path.empty() ? std::string(key) : m_path + "." + std::string(key);
}

void ConfigTable::fail(std::string_view key, std::string_view what) const {
    const toml::node* at = key.empty() ? nullptr : node(key);
    const auto line = (at != nullptr ? at->source() : m_table.source()).begin.line;
    std::string text = std::string(m_source) + ":" + std::to_string(line) + ": ";
    const std::string path = key.empty() ? m_path : keyPath(key);
    if (!path.empty())
        text += path + ": ";
    throw ConfigError(text + std::string(what));
}

void ConfigTable::allow(std::initializer_list<std::string_view> known) const {
    for (const auto& [key, value] : m_table) {
        if (std::find(known.begin(), known.end(), key.str()) == known.end())
            fail(key.str(), "unknown key");
    }
}

std::optional<std::int64_t> ConfigTable::integer(std::string_view key, std::int64_t min,
                                                 std::int64_t max) const {
    const toml::node* at = node(key);
    if (at == nullptr)
        return std::nullopt;
    const auto value = at->value_exact<std::int64_t>();
    if (!value)
        fail(key, "must be a whole number");
    if (*value < min || *value > max)
        fail(key, std::to_string(*value) + " is out of range " + std::to_string(min) + " .. " +
                      std::to_string(max));
    return value;
}

std::optional<std::string> ConfigTable::text(std::string_view key) const {
    const toml::node* at = node(key);
    if (at == nullptr)
        return std::nullopt;
    const auto value = at->value_exact<std::string>();
    if (!value)
        fail(key, "must be a text in quotes");
    return value;
}

std::optional<bool> ConfigTable::flag(std::string_view key) const {
    const toml::node* at = node(key);
    if (at == nullptr)
        return std::nullopt;
    const auto value = at->value_exact<bool>();
    if (!value)
        fail(key, "must be true or false");
    return value;
}

std::optional<ConfigTable> ConfigTable::table(std::string_view key) const {
    const toml::node* at = node(key);
    if (at == nullptr)
        return std::nullopt;
    if (!at->is_table())
        fail(key, "must be a table ([" + keyPath(key) + "])");
    return ConfigTable(*at->as_table(), keyPath(key), m_source);
}

std::vector<ConfigTable> ConfigTable::tables(std::string_view key) const {
    const toml::node* at = node(key);
    if (at == nullptr)
        return {};
    if (!at->is_array_of_tables())
        fail(key, "must be tables ([[" + keyPath(key) + "]])");
    std::vector<ConfigTable> list;
    const toml::array& array = *at->as_array();
    for (std::size_t i = 0; i < array.size(); ++i)
        list.emplace_back(*array[i].as_table(), keyPath(key) + "[" + std::to_string(i + 1) + "]", m_source);
    return list;
}

} // namespace tev::collect
