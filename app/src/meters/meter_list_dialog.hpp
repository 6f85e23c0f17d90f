// The meter list dialog "地址和表类型信息": the converter's meters with their serials (secondary
// addressing only) and types, edited in place, saved to and imported from *.cfg files, handed back
// into the meter table with "设置". It never touches the serial line.
//
// The texts behind the cells are kept as bytes (type names may be GBK), so a list imported and
// saved again is the same file byte for byte; the cells show them decoded.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "tev/link/meter_list_file.hpp"

class EditableGrid;
class Notifier;
class Workspace;

class MeterListDialog final : public QDialog {
    Q_OBJECT
  public:
    // Asks for a *.cfg path ("浏览文件"); an empty path ends the save or import silently.
    using PathChooser = std::function<QString(QWidget* parent)>;

    MeterListDialog(Workspace& workspace, Notifier& notifier, QWidget* parent = nullptr);

    void setPathChooser(PathChooser chooser) { m_choosePath = std::move(chooser); }
    // The rows as they stand, as bytes.
    const std::vector<tev::link::MeterListRow>& rows() const { return m_rows; }

    // "设置": the first rows (as many as the meter table counts) become the edited serials and types.
    void accept() override;

  private:
    void buildGrid();
    void showRows();
    void save();
    void import();
    void sameTypeAsFirst();
    void cellEdited(int row, int column);
    void warnRowsNotReadBack();

    Workspace& m_workspace;
    Notifier& m_notifier;
    bool m_secondary = true;
    int m_rowCount = 0;               // the meter table's count when the dialog opened
    std::vector<std::string> m_names; // the type names, as bytes
    QStringList m_shownNames;         // the same, decoded
    std::vector<tev::link::MeterListRow> m_rows;
    EditableGrid* m_grid = nullptr;
    PathChooser m_choosePath;
};
