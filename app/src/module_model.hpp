// The module model behind the tree: one server, its groups, each group's items (converters found).
#pragma once

#include <array>
#include <list>
#include <memory>
#include <string>

#include "tev/link/converter_entry.hpp"

class QTreeWidgetItem;

class MOD_group;

// One converter found by the search; carries its ConverterEntry.
class MOD_item {
  public:
    explicit MOD_item(MOD_group* group) : m_group(group) {}
    virtual ~MOD_item() = default;

    MOD_group* group() const { return m_group; }

    QTreeWidgetItem* treeItem = nullptr; // its node, while it has one
    std::array<std::string, 11> texts{};
    tev::ConverterEntry entry{};

  private:
    MOD_group* m_group = nullptr;
};

class MOD_server;

class MOD_group {
  public:
    explicit MOD_group(MOD_server* server) : m_server(server) {}
    virtual ~MOD_group() = default;

    // Adds a new item at the head of the list (items are kept newest first).
    MOD_item* addItem();
    // Items, newest first.
    const std::list<std::unique_ptr<MOD_item>>& items() const { return m_items; }
    std::size_t itemCount() const { return m_items.size(); }
    MOD_server* server() const { return m_server; }

    std::string name;

  private:
    MOD_server* m_server = nullptr;
    std::list<std::unique_ptr<MOD_item>> m_items;
};

class MOD_server {
  public:
    virtual ~MOD_server() = default;

    // Adds a new group at the head of the list.
    MOD_group* addGroup();
    // Removes and deletes the group; a group of another server is left alone.
    void removeGroup(MOD_group* group);
    const std::list<std::unique_ptr<MOD_group>>& groups() const { return m_groups; }
    std::size_t groupCount() const { return m_groups.size(); }

    QTreeWidgetItem* treeItem = nullptr; // the root node "上位计算机"
    std::array<std::string, 2> texts{};

  private:
    std::list<std::unique_ptr<MOD_group>> m_groups;
};
