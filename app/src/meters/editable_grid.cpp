#include "editable_grid.hpp"

#include "grid_delegates.hpp"

namespace {

// Columns this narrow are hidden; they are never edited.
constexpr int kNarrowestEditable = 5;
// Columns an editor can be bound to.
constexpr int kMaxColumns = 256;

} // namespace

EditableGrid::EditableGrid(QWidget* parent) : QTableWidget(parent) {
    setEditTriggers(NoEditTriggers);
    // Tab leaves a text editor for the next control of the window; the drop-down handles it itself.
    setTabKeyNavigation(false);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    connect(this, &QTableWidget::cellClicked, this,
            [this](int row, int column) { openOnTrigger(row, column, Trigger::SingleClick); });
    connect(this, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int column) { openOnTrigger(row, column, Trigger::DoubleClick); });
}

EditableGrid::~EditableGrid() = default;

void EditableGrid::setTextEditor(int column, Trigger trigger) {
    bind(column, new GridTextDelegate(this), trigger);
}

void EditableGrid::setChoiceEditor(int column, const QStringList& choices, Trigger trigger) {
    bind(column, new GridChoiceDelegate(this, choices), trigger);
}

void EditableGrid::bind(int column, GridEditorDelegate* delegate, Trigger trigger) {
    if (column < 0 || column >= kMaxColumns) {
        delete delegate;
        return;
    }
    removeEditor(column);
    setItemDelegateForColumn(column, delegate);
    m_editors[column] = Binding{delegate, trigger};
}

void EditableGrid::removeEditor(int column) {
    const auto it = m_editors.find(column);
    if (it == m_editors.end())
        return;
    setItemDelegateForColumn(column, nullptr);
    if (it->second.delegate)
        it->second.delegate->deleteLater();
    m_editors.erase(it);
}

bool EditableGrid::hasEditor(int column) const {
    const auto it = m_editors.find(column);
    return it != m_editors.end() && it->second.delegate;
}

bool EditableGrid::editable(int column) const {
    return column >= 0 && column < columnCount() && hasEditor(column) && !isColumnHidden(column) &&
           columnWidth(column) >= kNarrowestEditable;
}

void EditableGrid::openOnTrigger(int row, int column, Trigger trigger) {
    const auto it = m_editors.find(column);
    if (it != m_editors.end() && it->second.trigger == trigger)
        beginEdit(row, column);
}

bool EditableGrid::beginEdit(int row, int column) {
    if (row < 0 || row >= rowCount() || !editable(column))
        return false;
    QTableWidgetItem* cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row, column, cell);
    }
    cell->setFlags(cell->flags() | Qt::ItemIsEditable | Qt::ItemIsEnabled);
    const QModelIndex index = indexFromItem(cell);
    scrollTo(index);
    // Changing the current cell closes an editor still open elsewhere without writing it.
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    if (state() == EditingState)
        return false;
    edit(index);
    return state() == EditingState;
}

bool EditableGrid::moveOn(int row, int column, Qt::KeyboardModifiers modifiers) {
    const int columns = columnCount();
    if (columns == 0 || rowCount() == 0)
        return false;
    if (modifiers & Qt::ControlModifier)
        return beginEdit(row + 1 < rowCount() ? row + 1 : 0, column);
    if (!(modifiers & Qt::ShiftModifier)) {
        for (int r = row, c = column;;) {
            if (++c >= columns) {
                c = 0;
                if (++r >= rowCount())
                    return false;
            }
            if (editable(c))
                return beginEdit(r, c);
        }
    }
    for (int c = column - 1; c >= 0; --c)
        if (editable(c))
            return beginEdit(row, c);
    if (row == 0)
        return false;
    for (int c = 0; c < columns; ++c)
        if (editable(c))
            return beginEdit(row - 1, c);
    return false;
}

void EditableGrid::writeCell(int row, int column, const QString& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    QTableWidgetItem* cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row, column, cell);
    }
    cell->setText(text);
    emit cellEdited(row, column);
}

void EditableGrid::commitData(QWidget*) {}
