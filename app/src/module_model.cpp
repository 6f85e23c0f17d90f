#include "module_model.hpp"

#include <algorithm>
#include <cassert>

MOD_item* MOD_group::addItem() {
    m_items.push_front(std::make_unique<MOD_item>(this));
    return m_items.front().get();
}

MOD_group* MOD_server::addGroup() {
    m_groups.push_front(std::make_unique<MOD_group>(this));
    return m_groups.front().get();
}

void MOD_server::removeGroup(MOD_group* group) {
    assert(group != nullptr);
    std::erase_if(m_groups, [group](const auto& g) { return g.get() == group; });
}
