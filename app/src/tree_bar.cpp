#include "tree_bar.hpp"

#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "module_model.hpp"
#include "tev/link/converter_search.hpp"

QString ConverterLabel(const MOD_item& item) {
    return QString::fromStdString(tev::link::TreeLabel(item.entry));
}

TreeBar::TreeBar(QWidget* parent) : QWidget(parent) {
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("moduleTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &TreeBar::onCurrentChanged);
}

MOD_item* TreeBar::itemOf(const QTreeWidgetItem* node) {
    return node ? reinterpret_cast<MOD_item*>(node->data(0, kItemRole).value<quintptr>()) : nullptr;
}

void TreeBar::setModel(MOD_server* server) {
    m_server = server;
    auto* root = new QTreeWidgetItem(m_tree, QStringList(QStringLiteral("上位计算机")));
    root->setIcon(0, style()->standardIcon(QStyle::SP_ComputerIcon));
    root->setData(0, kItemRole, quintptr{0});
    server->treeItem = root;
    root->setExpanded(true);
}

void TreeBar::addConverter(MOD_item* item) {
    if (!m_server || !m_server->treeItem || !item)
        return;
    auto* node = new QTreeWidgetItem(m_server->treeItem, QStringList(ConverterLabel(*item)));
    node->setIcon(0, style()->standardIcon(QStyle::SP_DriveNetIcon));
    node->setData(0, kItemRole, reinterpret_cast<quintptr>(item));
    item->treeItem = node;
    m_server->treeItem->setExpanded(true);
    node->setExpanded(true);
}

void TreeBar::removeConverters() {
    if (!m_server || !m_server->treeItem)
        return;
    for (QTreeWidgetItem* node : m_server->treeItem->takeChildren()) {
        if (MOD_item* item = itemOf(node))
            item->treeItem = nullptr;
        delete node;
    }
}

void TreeBar::relabelSelected() {
    QTreeWidgetItem* node = m_tree->currentItem();
    if (MOD_item* item = itemOf(node))
        node->setText(0, ConverterLabel(*item));
}

void TreeBar::onCurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    for (auto [node, bold] : {std::pair{previous, false}, std::pair{current, true}}) {
        if (!node)
            continue;
        QFont font = node->font(0);
        font.setBold(bold);
        node->setFont(0, font);
    }
    if (MOD_item* item = itemOf(current))
        emit converterSelected(999, item);
}
