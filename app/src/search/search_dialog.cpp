#include "search_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/notifier.hpp"
#include "tev/link/serial_link.hpp"

using tev::link::kSearchRates;

namespace {

const QString kInfo = QStringLiteral("INFO");

// The message of a file error, with the file it concerns on a line of its own.
QString FileError(std::string_view text, const std::filesystem::path& path) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())) + QLatin1Char('\n') +
           QString::fromStdString(path.string());
}

// A label that names its field: the field's accessible name, and its key when the text has one.
QLabel* LabelFor(const QString& text, QWidget* field, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(field);
    return label;
}

} // namespace

SearchDialog::SearchDialog(SerialWorker& worker, Notifier& notifier, tev::link::ProgramFiles files,
                           QWidget* parent)
    : QDialog(parent), m_worker(worker), m_notifier(notifier), m_files(std::move(files)) {
    setWindowTitle(QStringLiteral("查询"));
    buildControls();
    connect(&m_timer, &QTimer::timeout, this, &SearchDialog::onTick);
    setSearching(false);
    loadSettings();
}

SearchDialog::~SearchDialog() {
    m_timer.stop();
    m_probe.cancel();
}

void SearchDialog::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buildLineRow());
    layout->addWidget(buildRateGroup());
    layout->addLayout(buildFastOptions());
    layout->addLayout(buildProgressRow());
    layout->addWidget(buildFoundList(), 1);
    layout->addLayout(buildButtons());
    resize(560, 420);
    updatePortHint();
}

QLayout* SearchDialog::buildLineRow() {
    m_port = new QComboBox(this);
    m_port->setObjectName(QStringLiteral("portList"));
    for (int port = tev::link::kFirstPort; port <= tev::link::kLastPort; ++port) {
        // "COM1 (/dev/ttyUSB0)": the device each name means, as mapped now.
        m_port->addItem(
            QString::fromStdString(tev::link::PortName(port) + " (" + tev::link::PortDevice(port) + ")"));
        m_port->setItemData(port - 1, QString::fromStdString(tev::link::PortDevice(port)), Qt::ToolTipRole);
    }
    m_timeout = new QComboBox(this);
    m_timeout->setObjectName(QStringLiteral("timeoutList"));
    for (auto ms : tev::link::kSearchTimeouts)
        m_timeout->addItem(QStringLiteral("%1ms").arg(ms));
    m_parity = new QComboBox(this);
    m_parity->setObjectName(QStringLiteral("parityList"));
    m_parity->addItems({QStringLiteral("无校验"), QStringLiteral("偶校验"), QStringLiteral("奇校验")});
    m_deviceField = new QLineEdit(this);
    m_deviceField->setReadOnly(true);
    m_deviceField->setObjectName(QStringLiteral("deviceField"));
    connect(m_port, &QComboBox::currentIndexChanged, this, &SearchDialog::updatePortHint);
    auto* row = new QGridLayout;
    row->addWidget(LabelFor(QStringLiteral("串口"), m_port, this), 0, 0);
    row->addWidget(m_port, 0, 1);
    row->addWidget(LabelFor(QStringLiteral(" 超时"), m_timeout, this), 0, 2);
    row->addWidget(m_timeout, 0, 3);
    row->addWidget(LabelFor(QStringLiteral("校验"), m_parity, this), 0, 4);
    row->addWidget(m_parity, 0, 5);
    row->addWidget(LabelFor(QStringLiteral("设备"), m_deviceField, this), 1, 0);
    row->addWidget(m_deviceField, 1, 1, 1, 5);
    return row;
}

QLayout* SearchDialog::buildProgressRow() {
    m_addressField = new QLineEdit(this);
    m_addressField->setObjectName(QStringLiteral("addressField"));
    m_addressField->setEnabled(false);
    m_rateField = new QLineEdit(this);
    m_rateField->setObjectName(QStringLiteral("rateField"));
    m_rateField->setEnabled(false);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, 255);
    m_progress->setValue(0);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(LabelFor(QStringLiteral("地址"), m_addressField, this));
    progressRow->addWidget(m_addressField);
    progressRow->addWidget(LabelFor(QStringLiteral("速率"), m_rateField, this));
    progressRow->addWidget(m_rateField);
    progressRow->addWidget(m_progress, 1);
    return progressRow;
}

QLayout* SearchDialog::buildButtons() {
    m_searchButton = new QPushButton(QStringLiteral("搜索"), this);
    m_stopButton = new QPushButton(QStringLiteral("停止"), this);
    m_saveButton = new QPushButton(QStringLiteral("保存"), this);
    m_cancelButton = new QPushButton(QStringLiteral("取消"), this);
    m_searchButton->setObjectName(QStringLiteral("searchButton"));
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_searchButton->setAutoDefault(false);
    m_stopButton->setAutoDefault(false);
    connect(m_searchButton, &QPushButton::clicked, this, &SearchDialog::startSearch);
    connect(m_stopButton, &QPushButton::clicked, this, &SearchDialog::stopSearch);
    connect(m_saveButton, &QPushButton::clicked, this, &SearchDialog::saveSettings);
    connect(m_cancelButton, &QPushButton::clicked, this, &SearchDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (auto* b : {m_searchButton, m_stopButton, m_saveButton, m_cancelButton})
        buttons->addWidget(b);
    return buttons;
}

QWidget* SearchDialog::buildRateGroup() {
    auto* group = new QGroupBox(QStringLiteral("波特率"), this);
    auto* grid = new QGridLayout(group);
    for (std::size_t i = 0; i < kSearchRates.size(); ++i) {
        m_rates[i] = new QCheckBox(QString::number(kSearchRates[i]), group);
        m_rates[i]->setObjectName(QStringLiteral("rate%1").arg(kSearchRates[i]));
        // Two rows, fastest first: 115200 57600 38400 19200 / 9600 4800 2400 1200.
        const int place = static_cast<int>(kSearchRates.size() - 1 - i);
        grid->addWidget(m_rates[i], place / 4, place % 4);
    }
    return group;
}

QWidget* SearchDialog::buildFoundList() {
    m_found = new QTreeWidget(this);
    m_found->setObjectName(QStringLiteral("foundList"));
    m_found->setRootIsDecorated(false);
    m_found->setHeaderLabels({QStringLiteral("名称"), QStringLiteral("地址(括号内十进制)"),
                              QStringLiteral("波特率"), QStringLiteral("报警"), QStringLiteral("校验"),
                              QStringLiteral("描述")});
    const int widths[] = {100, 80, 70, 1, 1, 190};
    for (int c = 0; c < 6; ++c)
        m_found->setColumnWidth(c, widths[c]);
    return m_found;
}

void SearchDialog::updatePortHint() {
    const int port = m_port->currentIndex() + 1;
    m_deviceField->setText(QString::fromStdString(tev::link::PortDevice(port)));
    m_port->setToolTip(m_deviceField->text());
}

void SearchDialog::setSearching(bool searching) {
    m_searchButton->setEnabled(!searching);
    m_cancelButton->setEnabled(!searching);
    m_saveButton->setEnabled(!searching);
    m_stopButton->setEnabled(searching);
    m_fastSearch->setEnabled(!searching);
    m_allParities->setEnabled(!searching && m_fastSearch->isChecked());
}

tev::link::SearchSettings SearchDialog::currentSettings() const {
    tev::link::SearchSettings s = m_hidden;
    s.portIndex = std::max(0, m_port->currentIndex());
    for (std::size_t i = 0; i < m_rates.size(); ++i)
        s.rates[i] = m_rates[i]->isChecked();
    s.timeoutIndex = std::max(0, m_timeout->currentIndex());
    s.parityIndex = std::max(0, m_parity->currentIndex());
    return s;
}

void SearchDialog::applySettings(const tev::link::SearchSettings& s) {
    // An index outside its list selects the first entry.
    const auto select = [](QComboBox* list, int index) {
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : 0);
    };
    select(m_port, s.portIndex);
    select(m_timeout, s.timeoutIndex);
    select(m_parity, s.parityIndex);
    for (std::size_t i = 0; i < m_rates.size(); ++i)
        m_rates[i]->setChecked(s.rates[i]);
    m_hidden = s;
}

void SearchDialog::loadSettings() {
    const std::filesystem::path path = m_files.settingsToRead();
    const auto load = tev::link::LoadSettingsFile(path);
    if (!load) {
        m_notifier.notify(this, kInfo, FileError(tev::link::kSettingsLoadError, path),
                          Notifier::Icon::Warning);
        return;
    }
    applySettings(load.settings);
}

void SearchDialog::saveSettings() {
    const std::filesystem::path& path = m_files.settings;
    std::error_code ec;
    bool saved = false;
    if (!m_files.defaultSettings.empty() && !std::filesystem::exists(path, ec))
        // The user's first save: the file is made with the same layout.
        saved = tev::link::MakeParentFolder(path).empty() &&
                tev::link::WriteNewSettingsFile(path, currentSettings());
    else
        saved = tev::link::SaveSettingsFile(path, currentSettings()) == tev::link::SettingsError::None;
    if (!saved)
        m_notifier.notify(this, kInfo, FileError(tev::link::kSettingsSaveError, path),
                          Notifier::Icon::Warning);
}
