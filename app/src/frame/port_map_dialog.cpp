#include "port_map_dialog.hpp"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/notifier.hpp"
#include "tev/link/port_mapping.hpp"

PortMapDialog::PortMapDialog(Notifier& notifier, std::filesystem::path portsFile, QWidget* parent)
    : QDialog(parent), m_notifier(notifier), m_file(std::move(portsFile)) {
    setWindowTitle(QStringLiteral("串口映射"));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(
        QStringLiteral("为每个 COM 口选择或输入串口设备 (空: 默认 /dev/ttyS<N-1>), 或网关上的串口: "
                       "tcp://主机:端口 (原始 TCP, 串口参数在网关上设置) 或 "
                       "rfc2217://主机:端口 (由本程序设置串口参数)。\n保存到 %1\n"
                       "/dev/pts/N 只在其后的程序运行期间有效, 之后可能属于别的程序; "
                       "请选用稳定的名称: USB 转换器的 /dev/serial/by-id/..., "
                       "模拟器用 tev-sim --link 路径 保持的链接。")
            .arg(QString::fromStdString(m_file.string())),
        this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addLayout(buildPortRows());
    m_problem = new QLabel(this); // why a mapping is no device path or gateway address
    m_problem->setObjectName(QStringLiteral("problemLabel"));
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_problem->setWordWrap(true);
    layout->addWidget(m_problem);
    layout->addWidget(buildButtons());
    refreshDevices();
}

// One row a COM port: the device chosen or typed, and a note when it is gone or a temporary name.
QFormLayout* PortMapDialog::buildPortRows() {
    auto* form = new QFormLayout;
    const auto mapping = tev::link::ReadPortsFile(m_file);
    for (int i = 0; i < kPorts; ++i) {
        auto* box = new QComboBox(this);
        box->setObjectName(QStringLiteral("COM%1").arg(i + 1));
        box->setEditable(true);
        box->setMinimumWidth(360);
        if (const auto it = mapping.find(i + 1); it != mapping.end())
            box->setEditText(QString::fromStdString(it->second));
        m_ports[static_cast<std::size_t>(i)] = box;
        auto* note = new QLabel(this);
        note->setObjectName(QStringLiteral("COM%1Note").arg(i + 1));
        note->setStyleSheet(QStringLiteral("color: #b00000"));
        m_notes[static_cast<std::size_t>(i)] = note;
        auto* row = new QHBoxLayout;
        row->addWidget(box, 1);
        row->addWidget(note);
        form->addRow(QStringLiteral("COM%1").arg(i + 1), row);
        connect(box, &QComboBox::editTextChanged, this, [this, i, box] {
            updateNote(i);
            checkTarget(box);
            showProblems();
        });
    }
    return form;
}

QDialogButtonBox* PortMapDialog::buildButtons() {
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* refresh = buttons->addButton(QStringLiteral("刷新"), QDialogButtonBox::ActionRole);
    QPushButton* saveButton = buttons->addButton(QStringLiteral("保存"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    refresh->setObjectName(QStringLiteral("refreshButton"));
    saveButton->setObjectName(QStringLiteral("saveButton"));
    connect(refresh, &QPushButton::clicked, this, &PortMapDialog::refreshDevices);
    connect(saveButton, &QPushButton::clicked, this, &PortMapDialog::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    return buttons;
}

void PortMapDialog::refreshDevices() {
    const auto devices = tev::link::ListSerialDevices();
    for (QComboBox* box : m_ports) {
        const QString current = box->currentText();
        box->clear();
        box->addItem(QString());
        for (const auto& d : devices)
            box->addItem(QStringLiteral("%1").arg(QString::fromStdString(d.path)),
                         QString::fromStdString(d.description));
        for (int i = 0; i < box->count(); ++i)
            box->setItemData(i, box->itemData(i), Qt::ToolTipRole);
        box->setEditText(current);
    }
}

void PortMapDialog::updateNote(int index) {
    const auto i = static_cast<std::size_t>(index);
    const std::string device = m_ports[i]->currentText().trimmed().toStdString();
    QString note;
    // A gateway address names no device file: only device paths are checked here.
    switch (tev::link::IsNetworkTarget(device) ? tev::link::MappedDevice::None : tev::link::CheckMappedDevice(device)) {
    case tev::link::MappedDevice::Missing:
        note = QStringLiteral("设备不存在");
        break;
    case tev::link::MappedDevice::PseudoTerminal:
        note = QStringLiteral("临时名称");
        break;
    case tev::link::MappedDevice::None:
    case tev::link::MappedDevice::Present:
        break;
    }
    m_notes[i]->setText(note);
    m_notes[i]->setToolTip(note.isEmpty()
                               ? QString()
                               : QStringLiteral("/dev/pts/N 只在其后的程序运行期间有效; "
                                                "请选用 /dev/serial/by-id/... 或 tev-sim --link 的链接"));
}

QString PortMapDialog::checkTarget(QComboBox* box) {
    const std::string problem = tev::link::PortTargetProblem(box->currentText().trimmed().toStdString());
    const QString text = problem.empty()
                             ? QString()
                             : box->objectName() + QStringLiteral(": ") + QString::fromStdString(problem);
    box->setStyleSheet(problem.empty() ? QString()
                                       : QStringLiteral("QComboBox { border: 1px solid #b00000; }"));
    box->setToolTip(text);
    return text;
}

QStringList PortMapDialog::showProblems() {
    QStringList problems;
    for (QComboBox* box : m_ports)
        if (box && !box->toolTip().isEmpty())
            problems << box->toolTip();
    m_problem->setText(problems.join(QLatin1Char('\n')));
    return problems;
}

void PortMapDialog::save() {
    for (QComboBox* box : m_ports)
        checkTarget(box);
    const QStringList problems = showProblems();
    if (!problems.isEmpty()) {
        m_notifier.notify(this, QStringLiteral("INFO"),
                          QStringLiteral("串口映射有误:\n") + problems.join(QLatin1Char('\n')),
                          Notifier::Icon::Warning);
        return;
    }
    std::map<int, std::string> mapping;
    for (int i = 0; i < kPorts; ++i)
        mapping[i + 1] = m_ports[static_cast<std::size_t>(i)]->currentText().trimmed().toStdString();
    const std::string error = tev::link::WritePortsFile(m_file, mapping);
    if (!error.empty()) {
        m_notifier.notify(this, QStringLiteral("INFO"),
                          QStringLiteral("串口映射无法保存:\n") + QString::fromStdString(error),
                          Notifier::Icon::Warning);
        return;
    }
    accept();
}
