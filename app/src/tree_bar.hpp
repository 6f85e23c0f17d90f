// The tree bar "搜索转换模块": the host "上位计算机" and one node per converter found.
#pragma once

#include <QWidget>

class MOD_item;
class MOD_server;
class QTreeWidget;
class QTreeWidgetItem;

class TreeBar final : public QWidget {
    Q_OBJECT
  public:
    // Item data of a node: its MOD_item, 0 for the root.
    static constexpr int kItemRole = Qt::UserRole + 1;

    explicit TreeBar(QWidget* parent = nullptr);

    QTreeWidget* tree() const { return m_tree; }

  public slots:
    // Inserts the root node for the model and expands it.
    void setModel(MOD_server* server);
    // Adds a node for a converter as the last child of the root.
    void addConverter(MOD_item* item);
    // Deletes every converter node; the items stay in the model.
    void removeConverters();
    // Rebuilds the label of the selected node from its item's entry.
    void relabelSelected();

  signals:
    // A converter node was selected (999, the node's item).
    void converterSelected(int code, MOD_item* item);

  private:
    void onCurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    static MOD_item* itemOf(const QTreeWidgetItem* node);

    QTreeWidget* m_tree = nullptr;
    MOD_server* m_server = nullptr;
};

// The node label of a converter.
QString ConverterLabel(const MOD_item& item);
