#include "converter_tree_model.hpp"

#include <QApplication>
#include <QFont>
#include <QStyle>

namespace {
// Internal id of the host row; converter rows carry 1.
constexpr quintptr kHostId = 0;
constexpr quintptr kConverterId = 1;
} // namespace

ConverterTreeModel::ConverterTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

bool ConverterTreeModel::isConverter(const QModelIndex& index) const {
    return index.isValid() && index.model() == this && index.internalId() == kConverterId &&
           index.row() < converterCount();
}

QModelIndex ConverterTreeModel::addConverter(const tev::link::Converter& converter) {
    const int row = converterCount();
    beginInsertRows(rootIndex(), row, row);
    m_converters.push_back(converter);
    endInsertRows();
    return index(row, 0, rootIndex());
}

void ConverterTreeModel::clearConverters() {
    if (m_converters.empty())
        return;
    beginRemoveRows(rootIndex(), 0, converterCount() - 1);
    m_converters.clear();
    endRemoveRows();
}

std::optional<tev::link::Converter> ConverterTreeModel::converterAt(const QModelIndex& index) const {
    if (!isConverter(index))
        return std::nullopt;
    return m_converters[static_cast<std::size_t>(index.row())];
}

void ConverterTreeModel::setConverter(const QModelIndex& index, const tev::link::Converter& converter) {
    if (!isConverter(index))
        return;
    m_converters[static_cast<std::size_t>(index.row())] = converter;
    emit dataChanged(index, index);
}

void ConverterTreeModel::setBoldRow(const QModelIndex& index) {
    const QPersistentModelIndex old = m_bold;
    m_bold = index;
    for (const QModelIndex& changed : {QModelIndex(old), index})
        if (changed.isValid())
            emit dataChanged(changed, changed, {Qt::FontRole});
}

QModelIndex ConverterTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 ? createIndex(0, 0, kHostId) : QModelIndex();
    if (parent.internalId() == kHostId && row < converterCount())
        return createIndex(row, 0, kConverterId);
    return {};
}

QModelIndex ConverterTreeModel::parent(const QModelIndex& child) const {
    if (child.isValid() && child.internalId() == kConverterId)
        return rootIndex();
    return {};
}

int ConverterTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return 1;
    if (parent.column() == 0 && parent.internalId() == kHostId)
        return converterCount();
    return 0;
}

int ConverterTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant ConverterTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const bool host = index.internalId() == kHostId;
    if (!host && !isConverter(index))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return host ? QStringLiteral("上位计算机")
                    : QString::fromStdString(
                          tev::link::TreeLabel(m_converters[static_cast<std::size_t>(index.row())]));
    case Qt::DecorationRole:
        return QApplication::style()->standardIcon(host ? QStyle::SP_ComputerIcon : QStyle::SP_DriveNetIcon);
    case Qt::FontRole:
        if (QModelIndex(m_bold) == index) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    default:
        return {};
    }
}
