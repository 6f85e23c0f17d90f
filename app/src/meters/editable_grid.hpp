// A table whose cells are edited in place by per-column editors: a single-line text editor or a
// drop-down of fixed choices, bound to columns by number.
//
// Keyboard rules (the same for every list that uses the grid):
// - text editor: Enter writes the text and closes; Escape closes and keeps the cell; Up/Down write
//   the text and move the editor one row up/down (not beyond the first/last row); losing the focus
//   (Tab moves it to the next control) writes the text only when the editor's last close was an
//   Enter, not an Escape (nor the first edit);
// - drop-down: choosing an item writes it and closes; Up/Down select the previous/next item;
//   Escape closes; losing the focus closes without writing (only a text editor's Enter sets the
//   mark that makes a focus loss write); Enter or Tab write the item and move on:
//   Ctrl to the next row of the same column (after the last row, row 0), otherwise to the next cell
//   to the right that has an editor, row after row; Shift steps left in the row, and before column 0
//   takes the first cell with an editor of the previous row. Where no cell is found the editing
//   stays where it was.
// An editor never opens over a column 4 pixels wide or less (a hidden column) nor over a column
// without an editor.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QTableWidget>
#include <map>

class GridEditorDelegate;

class EditableGrid : public QTableWidget {
    Q_OBJECT
  public:
    // What opens a column's editor.
    enum class Trigger { DoubleClick, SingleClick };

    explicit EditableGrid(QWidget* parent = nullptr);
    ~EditableGrid() override;

    // Binds a text editor (objectName "gridTextEditor") to the column.
    void setTextEditor(int column, Trigger trigger = Trigger::DoubleClick);
    // Binds a drop-down of these choices (objectName "gridChoiceEditor") to the column.
    void setChoiceEditor(int column, const QStringList& choices, Trigger trigger = Trigger::DoubleClick);
    void removeEditor(int column);
    bool hasEditor(int column) const;

    // Opens the column's editor over the cell; false, and nothing happens, for a cell outside the
    // table, a column of 4 pixels or less, or a column without an editor.
    bool beginEdit(int row, int column);

    // Moves on from (row, column) as Enter/Tab in a drop-down do; false when no cell is found.
    bool moveOn(int row, int column, Qt::KeyboardModifiers modifiers);
    // Writes an editor's text into a cell.
    void writeCell(int row, int column, const QString& text);

  signals:
    // An editor wrote this cell.
    void cellEdited(int row, int column);

  protected:
    // Cells are written only by the editors' own rules, never by the view on a change of the
    // current cell.
    void commitData(QWidget* editor) override;

  private:
    void bind(int column, GridEditorDelegate* delegate, Trigger trigger);
    bool editable(int column) const;
    void openOnTrigger(int row, int column, Trigger trigger);

    struct Binding {
        QPointer<GridEditorDelegate> delegate;
        Trigger trigger = Trigger::DoubleClick;
    };
    std::map<int, Binding> m_editors;
};
