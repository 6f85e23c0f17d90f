#include "tree_bar.hpp"

#include <QTreeView>
#include <QVBoxLayout>

#include "converter_tree_model.hpp"

TreeBar::TreeBar(ConverterTreeModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    m_view = new QTreeView(this);
    m_view->setObjectName(QStringLiteral("moduleTree"));
    m_view->setHeaderHidden(true);
    m_view->setRootIsDecorated(true);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setModel(&m_model);
    m_view->expand(m_model.rootIndex());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) { onCurrentChanged(current); });
}

void TreeBar::addConverter(const tev::link::Converter& converter) {
    m_model.addConverter(converter);
    m_view->expand(m_model.rootIndex());
}

void TreeBar::removeConverters() {
    m_model.clearConverters();
}

void TreeBar::relabelSelected(const tev::link::Converter& converter) {
    m_model.setConverter(m_view->currentIndex(), converter);
}

void TreeBar::onCurrentChanged(const QModelIndex& current) {
    m_model.setBoldRow(current);
    if (const auto converter = m_model.converterAt(current))
        emit converterSelected(*converter);
}
