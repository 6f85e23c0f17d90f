#include "grid_delegates.hpp"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include "editable_grid.hpp"

namespace {

constexpr char kRow[] = "gridRow";
constexpr char kColumn[] = "gridColumn";
constexpr char kClosed[] = "gridClosed";

bool IsEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

GridEditorDelegate::GridEditorDelegate(EditableGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

int GridEditorDelegate::rowOf(const QWidget* editor) {
    return editor->property(kRow).toInt();
}

int GridEditorDelegate::columnOf(const QWidget* editor) {
    return editor->property(kColumn).toInt();
}

void GridEditorDelegate::remember(QWidget* editor, const QModelIndex& index) const {
    editor->setProperty(kRow, index.row());
    editor->setProperty(kColumn, index.column());
}

void GridEditorDelegate::commit(QWidget* editor) {
    if (!editor->property(kClosed).toBool())
        m_grid->writeCell(rowOf(editor), columnOf(editor), editorText(editor));
}

void GridEditorDelegate::close(QWidget* editor) {
    if (editor->property(kClosed).toBool())
        return;
    editor->setProperty(kClosed, true);
    emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool GridEditorDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* editor = qobject_cast<QWidget*>(object);
    if (!editor)
        return false;
    if (editor->property(kClosed).toBool())
        return event->type() == QEvent::KeyPress; // keys typed into a closing editor go nowhere
    if (event->type() == QEvent::KeyPress)
        return handleKey(editor, static_cast<const QKeyEvent&>(*event));
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<const QFocusEvent*>(event)->reason();
        const QWidget* now = QApplication::focusWidget();
        // The drop-down's own list taking the focus is no focus loss.
        if (reason == Qt::PopupFocusReason || (now && editor->isAncestorOf(now)))
            return false;
        if (m_commitOnFocusLoss)
            commit(editor);
        close(editor);
        return false;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

QWidget* GridTextDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex& index) const {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("gridTextEditor"));
    edit->setFrame(true);
    remember(edit, index);
    return edit;
}

void GridTextDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* edit = static_cast<QLineEdit*>(editor);
    edit->setText(index.data(Qt::EditRole).toString());
    edit->selectAll();
}

QString GridTextDelegate::editorText(QWidget* editor) const {
    return static_cast<QLineEdit*>(editor)->text();
}

bool GridTextDelegate::handleKey(QWidget* editor, const QKeyEvent& key) {
    if (IsEnter(key.key())) {
        m_commitOnFocusLoss = true;
        commit(editor);
        close(editor);
        return true;
    }
    if (key.key() == Qt::Key_Escape) {
        m_commitOnFocusLoss = false;
        close(editor);
        return true;
    }
    if (key.key() == Qt::Key_Up || key.key() == Qt::Key_Down) {
        const int row = rowOf(editor) + (key.key() == Qt::Key_Up ? -1 : 1);
        const int column = columnOf(editor);
        // The typed text is written before the editor moves, so a move never loses it.
        commit(editor);
        close(editor);
        m_grid->beginEdit(qBound(0, row, m_grid->rowCount() - 1), column);
        m_grid->clearSelection();
        return true;
    }
    return false;
}

GridChoiceDelegate::GridChoiceDelegate(EditableGrid* grid, QStringList choices)
    : GridEditorDelegate(grid), m_choices(std::move(choices)) {}

QWidget* GridChoiceDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex& index) const {
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("gridChoiceEditor"));
    box->addItems(m_choices);
    box->setMaxVisibleItems(12);
    remember(box, index);
    // A choice made in the list is written at once and the focus returns to the table.
    auto* self = const_cast<GridChoiceDelegate*>(this);
    connect(box, &QComboBox::activated, self, [self, box](int chosen) {
        const QSignalBlocker block(box);
        box->setCurrentIndex(chosen);
        self->commit(box);
        self->close(box);
        self->m_grid->setFocus();
    });
    return box;
}

void GridChoiceDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* box = static_cast<QComboBox*>(editor);
    const QString text = index.data(Qt::EditRole).toString();
    int found = 0;
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).startsWith(text, Qt::CaseInsensitive)) {
            found = i;
            break;
        }
    const QSignalBlocker block(box);
    box->setCurrentIndex(box->count() > 0 ? found : -1);
}

QString GridChoiceDelegate::editorText(QWidget* editor) const {
    return static_cast<QComboBox*>(editor)->currentText();
}

bool GridChoiceDelegate::handleKey(QWidget* editor, const QKeyEvent& key) {
    auto* box = static_cast<QComboBox*>(editor);
    const QSignalBlocker block(box);
    switch (key.key()) {
    case Qt::Key_Up:
        box->setCurrentIndex(std::max(0, box->currentIndex() - 1));
        return true;
    case Qt::Key_Down:
        box->setCurrentIndex(std::min(box->count() - 1, box->currentIndex() + 1));
        return true;
    case Qt::Key_Escape:
        m_commitOnFocusLoss = false;
        close(editor);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        Qt::KeyboardModifiers modifiers = key.modifiers();
        if (key.key() == Qt::Key_Backtab)
            modifiers |= Qt::ShiftModifier;
        if (box->currentIndex() >= 0)
            commit(editor);
        close(editor);
        m_grid->moveOn(rowOf(editor), columnOf(editor), modifiers);
        m_grid->clearSelection();
        return true;
    }
    default:
        return false;
    }
}
