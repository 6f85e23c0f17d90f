#include "tools/graph_parameters_dialog.hpp"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/notifier.hpp"
#include "tev/link/graph_reply.hpp"
#include "tev/link/graph_samples.hpp"
#include "tev/link/serial_link.hpp"

namespace {

constexpr int kRangeLimit = 9999; // far beyond what a module measures; keeps the arithmetic small

QLineEdit* NumberField(const QString& name, const QString& text) {
    auto* field = new QLineEdit(text);
    field->setObjectName(name);
    field->setValidator(new QIntValidator(-kRangeLimit, kRangeLimit, field));
    field->setMaximumWidth(70);
    return field;
}

std::optional<int> WholeNumber(const QLineEdit* field) {
    bool ok = false;
    const int value = field->text().trimmed().toInt(&ok);
    return ok && value >= -kRangeLimit && value <= kRangeLimit ? std::optional(value) : std::nullopt;
}

// Two printable ASCII characters: they go into the commands as they stand.
bool IsModuleAddress(const QString& text) {
    return text.size() == 2 && std::all_of(text.begin(), text.end(),
                                           [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7F; });
}

} // namespace

GraphParametersDialog::GraphParametersDialog(Notifier& notifier, QWidget* parent)
    : QDialog(parent), m_notifier(notifier) {
    setWindowTitle(QStringLiteral("参数设定"));
    auto* columns = new QHBoxLayout;
    columns->addWidget(buildCurves());
    columns->addWidget(buildRanges());
    columns->addWidget(buildLine());
    auto* buttons = new QDialogButtonBox;
    auto* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    auto* cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("okButton"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &GraphParametersDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GraphParametersDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);
}

QWidget* GraphParametersDialog::buildCurves() {
    auto* box = new QGroupBox(QStringLiteral("通道"));
    auto* form = new QFormLayout(box);
    const tev::link::GraphSettings defaults;
    for (std::size_t k = 0; k < m_curves.size(); ++k) {
        auto* spin = new QSpinBox;
        spin->setObjectName(QStringLiteral("curveChannel%1").arg(k + 1));
        spin->setRange(0, tev::link::kGraphCurveChannelMax);
        spin->setValue(defaults.curveChannels[k]);
        form->addRow(QStringLiteral("曲线%1").arg(k + 1), spin);
        m_curves[k] = spin;
    }
    return box;
}

QWidget* GraphParametersDialog::buildRanges() {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* temperature = new QGroupBox(QStringLiteral("温度参数"));
    auto* form = new QFormLayout(temperature);
    m_rangeStart = NumberField(QStringLiteral("rangeStart"), QStringLiteral("15"));
    m_rangeEnd = NumberField(QStringLiteral("rangeEnd"), QStringLiteral("35"));
    form->addRow(QStringLiteral("起点 (℃)"), m_rangeStart);
    form->addRow(QStringLiteral("终点 (℃)"), m_rangeEnd);
    m_showTemperature = new QCheckBox(QStringLiteral("显示温度曲线"));
    m_showTemperature->setObjectName(QStringLiteral("showTemperature"));
    m_showTemperature->setChecked(true);
    form->addRow(m_showTemperature);
    auto* humidity = new QGroupBox(QStringLiteral("湿度参数"));
    auto* humidityForm = new QFormLayout(humidity);
    humidityForm->addRow(QStringLiteral("起点 (%RH)"),
                         NumberField(QStringLiteral("humidityStart"), QStringLiteral("2")));
    humidityForm->addRow(QStringLiteral("终点 (%RH)"),
                         NumberField(QStringLiteral("humidityEnd"), QStringLiteral("95")));
    auto* showHumidity = new QCheckBox(QStringLiteral("显示湿度曲线"));
    showHumidity->setObjectName(QStringLiteral("showHumidity"));
    humidityForm->addRow(showHumidity);
    humidity->setEnabled(false); // no humidity curves: shown for completeness, never taken
    m_step = new QSpinBox;
    m_step->setObjectName(QStringLiteral("sampleStep"));
    m_step->setRange(1, 40);
    m_step->setValue(1);
    auto* stepRow = new QFormLayout;
    stepRow->addRow(QStringLiteral("采样步距 (秒)"), m_step);
    layout->addWidget(temperature);
    layout->addWidget(humidity);
    layout->addLayout(stepRow);
    return column;
}

QWidget* GraphParametersDialog::buildLine() {
    auto* box = new QGroupBox(QStringLiteral("通讯"));
    auto* form = new QFormLayout(box);
    m_port = new QComboBox;
    m_port->setObjectName(QStringLiteral("port"));
    for (int port = tev::link::kFirstPort; port <= tev::link::kLastPort; ++port) {
        m_port->addItem(QStringLiteral("COM%1").arg(port));
        m_port->setItemData(port - 1, QString::fromStdString(tev::link::PortDevice(port)), Qt::ToolTipRole);
    }
    m_address = new QLineEdit(QStringLiteral("01"));
    m_address->setObjectName(QStringLiteral("moduleAddress"));
    m_address->setMaxLength(2);
    m_baud = new QComboBox;
    m_baud->setObjectName(QStringLiteral("baud"));
    for (const auto rate : kRates)
        m_baud->addItem(QString::number(rate));
    m_baud->setCurrentText(QStringLiteral("9600"));
    m_channel = new QComboBox;
    m_channel->setObjectName(QStringLiteral("channel"));
    for (int c = 0; c < tev::link::kGraphChannels; ++c)
        m_channel->addItem(QStringLiteral("CH%1").arg(c));
    form->addRow(QStringLiteral("串口"), m_port);
    form->addRow(QStringLiteral("模块地址"), m_address);
    form->addRow(QStringLiteral("波特率"), m_baud);
    form->addRow(QStringLiteral("通道"), m_channel);
    return box;
}

tev::link::GraphSettings GraphParametersDialog::settings() const {
    tev::link::GraphSettings s;
    s.port = m_port->currentIndex() + 1;
    s.baud = kRates[static_cast<std::size_t>(std::max(0, m_baud->currentIndex()))];
    s.address = m_address->text().toStdString();
    s.channel = m_channel->currentIndex();
    for (std::size_t k = 0; k < m_curves.size(); ++k)
        s.curveChannels[k] = m_curves[k]->value();
    s.rangeStart = WholeNumber(m_rangeStart).value_or(s.rangeStart);
    s.rangeEnd = WholeNumber(m_rangeEnd).value_or(s.rangeEnd);
    s.stepSeconds = m_step->value();
    return s;
}

void GraphParametersDialog::accept() {
    const auto start = WholeNumber(m_rangeStart);
    const auto end = WholeNumber(m_rangeEnd);
    QString problem;
    if (!start || !end)
        problem = QStringLiteral("温度参数的起点和终点必须是整数。");
    else if (!tev::link::IsValidRange(*start, *end))
        problem = QStringLiteral("温度参数的起点必须小于终点。");
    else if (!IsModuleAddress(m_address->text()))
        problem = QStringLiteral("模块地址必须是两个字符, 例如 01。");
    if (!problem.isEmpty()) {
        m_notifier.notify(this, QStringLiteral("参数设定"), problem, Notifier::Icon::Warning);
        return;
    }
    QDialog::accept();
}
