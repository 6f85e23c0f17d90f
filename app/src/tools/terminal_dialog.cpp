#include "terminal_dialog.hpp"

#include "core/workspace.hpp"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>
#include <vector>

#include "core/notifier.hpp"
#include "tev/link/direct_line.hpp"
#include "tev/link/file_write.hpp"
#include "tev/link/serial_client.hpp"

using tev::link::TerminalRun;
using tev::protocol::MeterOrigin;

namespace {

const QString kCaption = QStringLiteral("VORNIX工具软件");
constexpr int kStampRole = Qt::UserRole;

QComboBox* Combo(QWidget* parent, const char* name, const QStringList& items, bool editable) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(editable);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    return box;
}

} // namespace

TerminalDialog::TerminalDialog(const ToolContext& context, QWidget* parent)
    : ToolDialog(LineUse::Taken, parent), m_workspace(context.workspace), m_ports(context.ports),
      m_notifier(context.notifier) {
    setWindowTitle(QStringLiteral("单步命令行(终端)"));
    buildControls();
    buildHistoryMenu();
}

TerminalDialog::~TerminalDialog() {
    m_job.cancel();
}

void TerminalDialog::buildControls() {
    QStringList ports;
    for (int i = 1; i <= 16; ++i)
        ports << QStringLiteral("COM%1").arg(i);
    m_port = Combo(this, "port", ports, true);
    m_baudBox = Combo(this, "baud", {"300", "600", "1200", "2400", "4800", "9600", "19200", ""}, true);
    m_baudBox->setCurrentIndex(3);
    m_origin = Combo(this, "origin", {QStringLiteral("国产表"), QStringLiteral("进口表")}, true);
    m_command = Combo(this, "command", {}, true);
    for (const std::string& command : m_workspace.commandRecall().commands())
        m_command->addItem(QString::fromStdString(command));
    m_command->setCurrentText(QString());
    m_command->setMinimumContentsLength(40);
    m_checksum =
        Combo(this, "checksum",
              {QStringLiteral("第1字节起"), QStringLiteral("第2字节起"), QStringLiteral("第5字节位")}, false);
    m_checksum->setCurrentIndex(1);
    m_response = new QLineEdit(this);
    m_response->setObjectName(QStringLiteral("response"));
    m_response->setReadOnly(true);
    m_history = new QListWidget(this);
    m_history->setObjectName(QStringLiteral("history"));
    m_history->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_history->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_runButton = new QPushButton(QStringLiteral("运行"), this);
    m_runButton->setObjectName(QStringLiteral("runButton"));
    m_runButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("取消"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAutoDefault(false);
    connect(m_runButton, &QPushButton::clicked, this, [this] { run(); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { reject(); });

    buildLayout();
}

void TerminalDialog::buildLayout() {
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("串口设置"), m_port);
    form->addRow(QStringLiteral("波特率"), m_baudBox);
    form->addRow(QStringLiteral("表产地"), m_origin);
    form->addRow(QStringLiteral("命令发送"), m_command);
    form->addRow(QString(), new QLabel(QStringLiteral("发送格式：16进制格式 无需填写校验和结束位"), this));
    form->addRow(QStringLiteral("校验"), m_checksum);
    form->addRow(QStringLiteral("命令响应"), m_response);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_runButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_history, 1);
    layout->addLayout(buttons);
    resize(560, 420);
}

void TerminalDialog::buildHistoryMenu() {
    m_history->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* copy = new QAction(QStringLiteral("复制"), m_history);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, [this] { copyHistory(); });
    auto* save = new QAction(QStringLiteral("保存到文件..."), m_history);
    save->setShortcut(QKeySequence::Save);
    save->setShortcutContext(Qt::WidgetShortcut);
    connect(save, &QAction::triggered, this, [this] { saveHistoryAs(); });
    m_history->addAction(copy);
    m_history->addAction(save);
}

MeterOrigin TerminalDialog::origin() const {
    switch (m_origin->findText(m_origin->currentText(), Qt::MatchExactly)) {
    case 0:
        return MeterOrigin::Domestic;
    case 1:
        return MeterOrigin::Imported;
    default:
        return MeterOrigin::None; // typed text that is no entry: nothing of a reply is shown
    }
}

void TerminalDialog::addHistory(int row, const QString& text) {
    auto* item = new QListWidgetItem(text);
    item->setData(kStampRole, QDateTime::currentDateTime());
    m_history->insertItem(std::min(row, m_history->count()), item);
}

void TerminalDialog::rememberCommand(const QString& command) {
    m_workspace.rememberCommand(command.toStdString());
    m_command->clear();
    for (const std::string& c : m_workspace.commandRecall().commands())
        m_command->addItem(QString::fromStdString(c));
    m_command->setCurrentText(command);
}

void TerminalDialog::run() {
    if (m_job.active())
        return;
    const int portIndex = m_port->findText(m_port->currentText(), Qt::MatchExactly); // -1: port 0
    const QString command = m_command->currentText();
    m_runButton->setEnabled(false);
    m_response->clear();
    addHistory(0, QString::fromStdString(tev::link::HistoryCommandLine(command.toStdString())));
    rememberCommand(command);
    if (const auto baud = tev::link::KnownBaudFromText(m_baudBox->currentText().toStdString()))
        m_baud = *baud;
    const auto frame = tev::link::BuildTerminalFrame(
        command.toStdString(), tev::link::ChecksumStartOffset(m_checksum->currentIndex()));
    if (frame.refused()) {
        const QString refused = QString::fromStdString(tev::link::RefusedCommandText(frame));
        m_response->setText(refused);
        addHistory(1, QStringLiteral("    ") + refused);
        m_runButton->setEnabled(true);
        return;
    }
    const tev::SerialSettings settings =
        tev::link::DirectLineSettings(static_cast<std::uint8_t>(portIndex + 1), m_baud);
    m_lease = m_ports.lease(settings.port);
    m_job = m_lease.run<TerminalRun>(
        this,
        [settings, bytes = frame.bytes, shown = origin()](tev::link::SerialClient& client) {
            return tev::link::RunTerminalExchange(client, settings, bytes, shown);
        },
        [this](TerminalRun result) {
            m_lease.reset();
            showReply(result);
        });
}

void TerminalDialog::showReply(const TerminalRun& result) {
    m_runButton->setEnabled(true);
    if (!result.opened) {
        m_notifier.notify(this, kCaption, QStringLiteral("Open Com Error!"), Notifier::Icon::Warning);
        return;
    }
    m_response->setText(result.reply ? QString::fromStdString(*result.reply) : QStringLiteral("No Respond!"));
    m_response->setCursorPosition(0); // the reply's first bytes in view
    addHistory(1, QString::fromStdString(tev::link::HistoryReplyLine(result)));
}

void TerminalDialog::copyHistory() const {
    QStringList lines;
    for (int i = 0; i < m_history->count(); ++i)
        if (m_history->item(i)->isSelected() || m_history->selectedItems().isEmpty())
            lines << m_history->item(i)->text();
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

bool TerminalDialog::saveHistory(const QString& path, QString* why) const {
    std::vector<tev::link::HistoryEntry> entries;
    for (int i = 0; i < m_history->count(); ++i) {
        const QListWidgetItem* item = m_history->item(i);
        const QString stamp =
            item->data(kStampRole).toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        entries.push_back({stamp.toStdString(), item->text().toStdString()});
    }
    const std::string text = tev::link::FormatHistoryFile(entries);
    const std::string failure = tev::link::WriteFileReplacing(path.toStdString(), text);
    if (why)
        *why = QString::fromStdString(failure);
    return failure.empty();
}

void TerminalDialog::saveHistoryAs() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("保存记录"), QStringLiteral("terminal.txt"),
                                     QStringLiteral("Text Files (*.txt);;All Files (*)"));
    QString why;
    if (!path.isEmpty() && !saveHistory(path, &why))
        m_notifier.notify(this, kCaption, QStringLiteral("File Error!\n") + why, Notifier::Icon::Warning);
}

void TerminalDialog::reject() {
    m_job.cancel();
    ToolDialog::reject();
}
