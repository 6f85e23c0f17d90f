#include "meter_list_dialog.hpp"

#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "editable_grid.hpp"
#include "core/notifier.hpp"
#include "core/workspace.hpp"
#include "tev/link/file_write.hpp"
#include "tev/link/meter_list_edit.hpp"
#include "tev/link/type_file.hpp"
#include "type_names.hpp"

using tev::link::MeterListRow;

namespace {

enum Column { kNumber = 0, kSerial = 1, kType = 2 };

QString ChoosePathWithDialog(QWidget* parent, const QString& folder) {
    QFileDialog dialog(parent, QStringLiteral("浏览文件"), folder);
    dialog.setNameFilter(QStringLiteral("All Files (*.cfg)"));
    dialog.setFileMode(QFileDialog::AnyFile); // a name not yet there may be typed
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

MeterListDialog::MeterListDialog(Workspace& workspace, Notifier& notifier, QWidget* parent)
    : QDialog(parent), m_workspace(workspace), m_notifier(notifier),
      m_choosePath(
          [folder = workspace.outputFolder()](QWidget* p) { return ChoosePathWithDialog(p, folder); }) {
    setWindowTitle(QStringLiteral("地址和表类型信息"));
    m_secondary = workspace.secondaryAddressing();
    const tev::link::MeterTable& table = workspace.meterTable();
    m_rowCount = std::clamp(table.count, 0, static_cast<int>(tev::link::MeterTable::kMaxUsed));
    m_names = workspace.typeNames();
    if (m_names.size() > tev::link::kTypeNameTableSize)
        m_names.resize(tev::link::kTypeNameTableSize);
    for (const std::string& name : m_names)
        m_shownNames << ShowTypeName(name);
    m_rows = tev::link::MeterListRowsOf(table, m_secondary, m_names);
    buildGrid();
    showRows();
}

void MeterListDialog::buildGrid() {
    auto* hint = new QLabel(QStringLiteral("用TAB键确认表序列号"), this);
    m_grid = new EditableGrid(this);
    m_grid->setObjectName(QStringLiteral("meterGrid"));
    m_grid->setColumnCount(3);
    m_grid->setHorizontalHeaderLabels({QStringLiteral("表号"),
                                       m_secondary ? QStringLiteral("表序列号") : QStringLiteral("表地址"),
                                       QStringLiteral("表类型")});
    m_grid->verticalHeader()->hide();
    m_grid->setShowGrid(true);
    m_grid->setColumnWidth(kNumber, 70);
    m_grid->setColumnWidth(kSerial, m_secondary ? 150 : 0);
    m_grid->setColumnWidth(kType, 200);
    m_grid->setChoiceEditor(kType, m_shownNames, EditableGrid::Trigger::SingleClick);
    if (m_secondary)
        m_grid->setTextEditor(kSerial);
    connect(m_grid, &EditableGrid::cellEdited, this, &MeterListDialog::cellEdited);

    auto button = [this](const char* text, const char* name, auto slot) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button("保存", "saveButton", &MeterListDialog::save));
    buttons->addWidget(button("导入", "importButton", &MeterListDialog::import));
    buttons->addWidget(button("表类型与头行一致", "sameTypeButton", &MeterListDialog::sameTypeAsFirst));
    buttons->addStretch();
    buttons->addWidget(button("设置", "setButton", &MeterListDialog::accept));
    buttons->addWidget(button("取消", "cancelButton", &MeterListDialog::reject));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_grid);
    layout->addLayout(buttons);
    resize(480, 420);
}

void MeterListDialog::showRows() {
    m_grid->setRowCount(static_cast<int>(m_rows.size()));
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
        const MeterListRow& row = m_rows[static_cast<std::size_t>(i)];
        auto* number = new QTableWidgetItem(QString::number(i + 1));
        number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        m_grid->setItem(i, kNumber, number);
        m_grid->setItem(i, kSerial, new QTableWidgetItem(m_secondary ? ShowTypeName(row.serial) : QString()));
        m_grid->setItem(i, kType, new QTableWidgetItem(ShowTypeName(row.type)));
    }
}

void MeterListDialog::cellEdited(int row, int column) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return;
    const QTableWidgetItem* cell = m_grid->item(row, column);
    const QString text = cell ? cell->text() : QString();
    MeterListRow& bytes = m_rows[static_cast<std::size_t>(row)];
    if (column == kSerial) {
        bytes.serial = text.toStdString();
    } else if (column == kType) {
        const qsizetype chosen = m_shownNames.indexOf(text);
        bytes.type = chosen >= 0 ? m_names[static_cast<std::size_t>(chosen)] : text.toStdString();
    }
}

void MeterListDialog::sameTypeAsFirst() {
    if (m_rows.empty())
        return;
    const std::string type = tev::link::TypeNameOf(m_names, tev::link::TypeNumberOfName(m_rows.front().type));
    for (MeterListRow& row : m_rows)
        row.type = type;
    showRows();
}

void MeterListDialog::accept() {
    const auto count = static_cast<std::size_t>(m_rowCount);
    if (const auto bad = tev::link::BadSerialRows(m_rows, count); m_secondary && !bad.empty())
        return m_notifier.notify(this, QStringLiteral("INFO"),
                                 QStringLiteral("第 %1 行的表序列号不是16进制数字(最多12位), 未设置!")
                                     .arg(QString::fromStdString(tev::link::RowNumbersText(bad))),
                                 Notifier::Icon::Warning);
    const auto empty = tev::link::EmptyMeterRows(m_rows, count, m_secondary);
    if (!empty.empty() &&
        !m_notifier.confirm(
            this, QStringLiteral("INFO"),
            QStringLiteral(
                "第 %1 行的表序列号或表类型为空(未读到或未填写), 设置会把它们写成 0。\n仍然设置吗?")
                .arg(QString::fromStdString(tev::link::RowNumbersText(empty)))))
        return;
    tev::link::MeterTable table = m_workspace.meterTable();
    tev::link::ApplyMeterListEdits(table, m_rows, m_secondary);
    m_workspace.setMeterTable(table);
    QDialog::accept();
}

void MeterListDialog::save() {
    const QString path = m_choosePath(this).trimmed();
    if (path.isEmpty())
        return;
    const std::string text = tev::link::FormatMeterListFile(m_rows, m_secondary);
    // Replaced whole: a failed save keeps the old file.
    const std::string why = tev::link::WriteFileReplacing(path.toStdString(), text);
    if (!why.empty())
        return m_notifier.notify(this, QStringLiteral("INFO"),
                                 QStringLiteral("File Error!\n") + QString::fromStdString(why),
                                 Notifier::Icon::Warning);
    warnRowsNotReadBack();
}

// The file is written as the rows stand; rows an import would not give back as they are are named.
void MeterListDialog::warnRowsNotReadBack() {
    const auto bad = tev::link::RowsNotReadBack(m_rows, m_secondary);
    if (bad.empty())
        return;
    m_notifier.notify(
        this, QStringLiteral("INFO"),
        QStringLiteral(
            "已保存, 但第 %1 行再导入时不会原样读回 (表序列号不是12位、空行、以;开头或首尾有空格)!")
            .arg(QString::fromStdString(tev::link::RowNumbersText(bad))),
        Notifier::Icon::Warning);
}

void MeterListDialog::import() {
    const QString path = m_choosePath(this).trimmed();
    if (path.isEmpty())
        return;
    // A file that cannot be read leaves the table as it is: importing nothing would empty it.
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.read(static_cast<qint64>(tev::link::kCfgReadLimit) + 1);
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        m_notifier.notify(this, QStringLiteral("INFO"),
                          QStringLiteral("无法读取文件 %1: %2").arg(path, file.errorString()),
                          Notifier::Icon::Warning);
        return;
    }
    tev::link::MeterListFile parsed = tev::link::ParseMeterListFile(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), m_secondary);
    m_rows = std::move(parsed.rows);
    showRows();
    if (parsed.truncated)
        m_notifier.notify(this, QStringLiteral("INFO"),
                          QStringLiteral("文件过长, 只导入前%1行!").arg(m_rows.size()),
                          Notifier::Icon::Warning);
}
