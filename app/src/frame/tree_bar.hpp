// The tree bar "搜索转换模块": a view over the converter tree; selecting a converter announces it.
#pragma once

#include <QWidget>

#include "tev/link/converter.hpp"

class ConverterTreeModel;
class QTreeView;

class TreeBar final : public QWidget {
    Q_OBJECT
  public:
    TreeBar(ConverterTreeModel& model, QWidget* parent = nullptr);

    ConverterTreeModel& model() const { return m_model; }

  public slots:
    // Adds a converter node as the last child of the host and expands it.
    void addConverter(const tev::link::Converter& converter);
    // Deletes every converter node.
    void removeConverters();
    // The selected converter node takes this converter (its label follows).
    void relabelSelected(const tev::link::Converter& converter);

  signals:
    void converterSelected(const tev::link::Converter& converter);

  private:
    void onCurrentChanged(const QModelIndex& current);

    ConverterTreeModel& m_model;
    QTreeView* m_view = nullptr;
};
