// The tree behind "搜索转换模块": the host "上位计算机" as the one top-level row, one child row per
// converter found by the current search. The rows hold the converters by value.
#pragma once

#include <QAbstractItemModel>
#include <optional>
#include <vector>

#include "tev/link/converter.hpp"

class ConverterTreeModel final : public QAbstractItemModel {
    Q_OBJECT
  public:
    explicit ConverterTreeModel(QObject* parent = nullptr);

    QModelIndex rootIndex() const { return index(0, 0); }
    // Appends a converter as the last child of the host; returns its index.
    QModelIndex addConverter(const tev::link::Converter& converter);
    // Removes every converter row.
    void clearConverters();
    // The converter of a row, nothing for the host or an invalid index.
    std::optional<tev::link::Converter> converterAt(const QModelIndex& index) const;
    // Replaces the converter of a row (its label follows).
    void setConverter(const QModelIndex& index, const tev::link::Converter& converter);
    // The row shown in bold (the selected one); an invalid index clears it.
    void setBoldRow(const QModelIndex& index);
    int converterCount() const { return static_cast<int>(m_converters.size()); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  private:
    bool isConverter(const QModelIndex& index) const;

    std::vector<tev::link::Converter> m_converters;
    QPersistentModelIndex m_bold;
};
