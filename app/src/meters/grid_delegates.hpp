// The editors of EditableGrid as item delegates: each applies its keyboard rules in its event filter
// and writes cells only through the grid.
#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

class EditableGrid;

class GridEditorDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    explicit GridEditorDelegate(EditableGrid* grid);

    // Cells are written by commit() alone.
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}

  protected:
    bool eventFilter(QObject* object, QEvent* event) override;
    virtual bool handleKey(QWidget* editor, const QKeyEvent& key) = 0;
    virtual QString editorText(QWidget* editor) const = 0;

    // Writes the editor's text into its cell.
    void commit(QWidget* editor);
    // Hides the editor; once closed it no longer writes.
    void close(QWidget* editor);
    static int rowOf(const QWidget* editor);
    static int columnOf(const QWidget* editor);
    void remember(QWidget* editor, const QModelIndex& index) const;

    EditableGrid* m_grid;
    bool m_commitOnFocusLoss = false; // set by Enter in a text editor, cleared by Escape
};

class GridTextDelegate final : public GridEditorDelegate {
    Q_OBJECT
  public:
    using GridEditorDelegate::GridEditorDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;

  protected:
    bool handleKey(QWidget* editor, const QKeyEvent& key) override;
    QString editorText(QWidget* editor) const override;
};

class GridChoiceDelegate final : public GridEditorDelegate {
    Q_OBJECT
  public:
    GridChoiceDelegate(EditableGrid* grid, QStringList choices);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;

  protected:
    bool handleKey(QWidget* editor, const QKeyEvent& key) override;
    QString editorText(QWidget* editor) const override;

  private:
    QStringList m_choices;
};
