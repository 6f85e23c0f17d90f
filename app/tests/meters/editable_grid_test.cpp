// The editable grid's keyboard moves on a small table, and how type names are shown.
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "meters/editable_grid.hpp"
#include "meters/type_names.hpp"

namespace {

// Columns: 0 drop-down, 1 text, 2 no editor, 3 text but hidden, 4 drop-down.
const QStringList kChoices = {QStringLiteral("01-A"), QStringLiteral("02-B"), QStringLiteral("03-C")};

struct Cell {
    int row = -1;
    int column = -1;
    bool operator==(const Cell&) const = default;
};

} // namespace

class EditableGridTest : public QObject {
    Q_OBJECT

  private:
    QWidget* m_window = nullptr;
    EditableGrid* m_grid = nullptr;
    QLineEdit* m_other = nullptr;

    // The editor open over a cell, or nullptr.
    QWidget* openEditor() const {
        for (QWidget* w : m_grid->findChildren<QWidget*>())
            if (w->property("gridRow").isValid() && !w->property("gridClosed").toBool() && w->isVisible())
                return w;
        return nullptr;
    }
    Cell editedCell() const {
        const QWidget* w = openEditor();
        return w ? Cell{w->property("gridRow").toInt(), w->property("gridColumn").toInt()} : Cell{};
    }
    QString text(int row, int column) const {
        const QTableWidgetItem* item = m_grid->item(row, column);
        return item ? item->text() : QString();
    }
    void typeInto(const QString& typed) {
        auto* edit = qobject_cast<QLineEdit*>(openEditor());
        QVERIFY(edit);
        QTest::keyClicks(edit, typed);
    }

  private slots:
    void init() {
        m_window = new QWidget;
        auto* layout = new QVBoxLayout(m_window);
        m_grid = new EditableGrid(m_window);
        m_other = new QLineEdit(m_window);
        layout->addWidget(m_grid);
        layout->addWidget(m_other);
        m_grid->setRowCount(3);
        m_grid->setColumnCount(5);
        m_grid->setChoiceEditor(0, kChoices, EditableGrid::Trigger::SingleClick);
        m_grid->setTextEditor(1);
        m_grid->setTextEditor(3);
        m_grid->setColumnWidth(3, 0);
        m_grid->setChoiceEditor(4, kChoices);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 5; ++c)
                m_grid->setItem(r, c, new QTableWidgetItem(QStringLiteral("r%1c%2").arg(r).arg(c)));
        m_window->resize(600, 300);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }
    void cleanup() { delete m_window; }

    void opensOnlyOverEditableCells() {
        QVERIFY(!m_grid->beginEdit(0, 2)); // no editor
        QVERIFY(!m_grid->beginEdit(0, 3)); // hidden
        QVERIFY(!m_grid->beginEdit(3, 1)); // below the last row
        QVERIFY(!m_grid->beginEdit(-1, 1));
        QVERIFY(!m_grid->beginEdit(0, 5));
        QCOMPARE(openEditor(), nullptr);

        // The text column opens on a double click, the drop-down on a single click.
        QWidget* viewport = m_grid->viewport();
        const QPoint textCell = m_grid->visualRect(m_grid->model()->index(1, 1)).center();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, textCell);
        QCOMPARE(openEditor(), nullptr);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, textCell);
        QCOMPARE(editedCell(), (Cell{1, 1}));
        QTest::keyClick(openEditor(), Qt::Key_Escape);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, m_grid->visualRect(m_grid->model()->index(2, 0)).center());
        QCOMPARE(editedCell(), (Cell{2, 0}));
        QTest::keyClick(openEditor(), Qt::Key_Escape);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, m_grid->visualRect(m_grid->model()->index(0, 2)).center());
        QCOMPARE(openEditor(), nullptr);
    }

    void textEditorKeys() {
        QVERIFY(m_grid->beginEdit(1, 1));
        typeInto(QStringLiteral("esc"));
        QTest::keyClick(openEditor(), Qt::Key_Escape);
        QCOMPARE(openEditor(), nullptr);
        QCOMPARE(text(1, 1), QStringLiteral("r1c1"));

        // After an Escape, losing the focus keeps the cell.
        QVERIFY(m_grid->beginEdit(1, 1));
        typeInto(QStringLiteral("lost"));
        m_other->setFocus();
        QTRY_COMPARE(openEditor(), nullptr);
        QCOMPARE(text(1, 1), QStringLiteral("r1c1"));

        QVERIFY(m_grid->beginEdit(1, 1));
        typeInto(QStringLiteral("enter"));
        QTest::keyClick(openEditor(), Qt::Key_Return);
        QCOMPARE(text(1, 1), QStringLiteral("enter"));

        // After an Enter, losing the focus writes the cell.
        QVERIFY(m_grid->beginEdit(0, 1));
        typeInto(QStringLiteral("kept"));
        m_other->setFocus();
        QTRY_COMPARE(openEditor(), nullptr);
        QCOMPARE(text(0, 1), QStringLiteral("kept"));

        // Up and Down write and move, not beyond the first and last rows.
        QVERIFY(m_grid->beginEdit(1, 1));
        typeInto(QStringLiteral("down"));
        QTest::keyClick(openEditor(), Qt::Key_Down);
        QCOMPARE(text(1, 1), QStringLiteral("down"));
        QCOMPARE(editedCell(), (Cell{2, 1}));
        QTest::keyClick(openEditor(), Qt::Key_Down);
        QCOMPARE(editedCell(), (Cell{2, 1}));
        QTest::keyClick(openEditor(), Qt::Key_Up);
        QTest::keyClick(openEditor(), Qt::Key_Up);
        QTest::keyClick(openEditor(), Qt::Key_Up);
        QCOMPARE(editedCell(), (Cell{0, 1}));
    }

    void dropDownMoves_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("toRow");
        QTest::addColumn<int>("toColumn");
        const int none = Qt::NoModifier;
        const int shift = Qt::ShiftModifier;
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("Tab right") << 0 << 0 << int(Qt::Key_Tab) << none << 0 << 1;
        QTest::newRow("Enter right") << 0 << 0 << int(Qt::Key_Return) << none << 0 << 1;
        QTest::newRow("Tab wraps to next row") << 0 << 4 << int(Qt::Key_Tab) << none << 1 << 0;
        QTest::newRow("Tab on last cell stays") << 2 << 4 << int(Qt::Key_Tab) << none << -1 << -1;
        QTest::newRow("Shift+Tab left, skips hidden") << 1 << 4 << int(Qt::Key_Tab) << shift << 1 << 1;
        QTest::newRow("Backtab left") << 1 << 4 << int(Qt::Key_Backtab) << shift << 1 << 1;
        QTest::newRow("Shift+Tab to previous row") << 1 << 0 << int(Qt::Key_Tab) << shift << 0 << 0;
        QTest::newRow("Shift+Tab at row 0 col 0") << 0 << 0 << int(Qt::Key_Tab) << shift << -1 << -1;
        QTest::newRow("Ctrl+Enter next row") << 0 << 4 << int(Qt::Key_Return) << ctrl << 1 << 4;
        QTest::newRow("Ctrl+Enter last row wraps") << 2 << 0 << int(Qt::Key_Return) << ctrl << 0 << 0;
    }

    void dropDownMoves() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, toRow);
        QFETCH(int, toColumn);
        QVERIFY(m_grid->beginEdit(row, column));
        auto* box = qobject_cast<QComboBox*>(openEditor());
        QVERIFY(box);
        QCOMPARE(box->currentIndex(), 0); // "r0c0" matches no item: the first is selected
        QTest::keyClick(box, Qt::Key_Down);
        QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(text(row, column), QStringLiteral("02-B"));
        QCOMPARE(editedCell(), (Cell{toRow, toColumn}));
    }

    void dropDownSelection() {
        m_grid->item(1, 4)->setText(QStringLiteral("03"));
        QVERIFY(m_grid->beginEdit(1, 4));
        auto* box = qobject_cast<QComboBox*>(openEditor());
        QVERIFY(box);
        QCOMPARE(box->currentIndex(), 2);
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(text(1, 4), QStringLiteral("03")); // moving the selection writes nothing yet
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(openEditor(), nullptr);
        QCOMPARE(text(1, 4), QStringLiteral("03"));

        // Focus loss closes without writing; a choice in the list writes at once.
        QVERIFY(m_grid->beginEdit(1, 4));
        QTest::keyClick(openEditor(), Qt::Key_Up);
        m_other->setFocus();
        QTRY_COMPARE(openEditor(), nullptr);
        QCOMPARE(text(1, 4), QStringLiteral("03"));
        QVERIFY(m_grid->beginEdit(1, 4));
        box = qobject_cast<QComboBox*>(openEditor());
        emit box->activated(0);
        QCOMPARE(text(1, 4), QStringLiteral("01-A"));
        QCOMPARE(openEditor(), nullptr);
    }

    void typeNamesShowUtf8OrGbk() {
        QCOMPARE(ShowTypeName("01-HEDE"), QStringLiteral("01-HEDE"));
        QCOMPARE(ShowTypeName("02-水表"), QStringLiteral("02-水表"));
        QCOMPARE(ShowTypeName("03-\xC8\xC8\xC1\xBF\xB1\xED"), QStringLiteral("03-热量表"));
    }
};

QTEST_MAIN(EditableGridTest)
#include "editable_grid_test.moc"
