#include "settings_page.hpp"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "core/notifier.hpp"
#include "core/workspace.hpp"
#include "meters/meter_list_dialog.hpp"
#include "meters/type_names.hpp"
#include "tev/link/type_file.hpp"
#include "wait_notice.hpp"

using namespace tev::link;

SettingsPage::SettingsPage(QWidget* parent) : LinePage(parent) {
    buildControls();
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &SettingsPage::tick);
}

SettingsPage::~SettingsPage() {
    stop();
}

QPushButton* SettingsPage::makeButton(const char* text, const char* name, void (SettingsPage::*slot)()) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setObjectName(QString::fromLatin1(name));
    connect(b, &QPushButton::clicked, this, slot);
    return b;
}

void SettingsPage::buildControls() {
    auto field = [this](const char* name, bool readOnly = false) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setReadOnly(readOnly);
        return edit;
    };
    auto list = [this](const char* name, const QStringList& items) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->addItems(items);
        return box;
    };
    QStringList rates;
    for (std::size_t i = 0; i < kRateCount; ++i)
        rates << QString::fromStdString(RateText(i));
    m_name = field("nameField", true);
    m_address = field("addressField");
    m_rate = list("rateList", rates);
    m_time = field("timeField");
    m_count = field("countField");
    m_parity = list("parityList", {QStringLiteral("无"), QStringLiteral("偶校验"), QStringLiteral("奇校验")});
    m_types = list("typeList", {});
    m_types->hide();
    m_mode = list("modeList", {QStringLiteral("通过一级地址采集"), QStringLiteral("通过二级地址采集")});
    m_mode->hide();
    m_meterListButton = makeButton("型号序列号设置", "meterListButton", &SettingsPage::editMeterList);
    m_readButton = makeButton("读配置参数", "readConfigButton", &SettingsPage::readConfig);
    buildLayout();
}

void SettingsPage::buildLayout() {
    auto* setAddress = makeButton("模块地址波特率设定", "setAddressButton", &SettingsPage::setAddressAndRate);
    setAddress->setDefault(true);
    // Enter in the address field is the default button's key.
    connect(m_address, &QLineEdit::returnPressed, this, &SettingsPage::setAddressAndRate);
    auto* title = new QLabel(QStringLiteral("转换模块参数设定"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* grid = new QGridLayout(this);
    grid->addWidget(title, 0, 0, 1, 3);
    auto row = [this, grid](int r, const char* caption, QWidget* input, QWidget* action) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(input); // the field's accessible name
        grid->addWidget(label, r, 0);
        grid->addWidget(input, r, 1);
        if (action)
            grid->addWidget(action, r, 2);
    };
    row(1, "名称", m_name, nullptr);
    row(2, "地址 (16进制)", m_address, nullptr);
    row(3, "波特率", m_rate, setAddress);
    row(4, "采集时间", m_time,
        makeButton("ZEDU采集时间设定", "setTimeButton", &SettingsPage::setAcquisitionTime));
    row(5, "表数量", m_count, makeButton("设置表数量", "setCountButton", &SettingsPage::setTypeAndCount));
    row(6, "校验", m_parity, makeButton("模块校验设定", "setParityButton", &SettingsPage::setParity));
    grid->addWidget(m_meterListButton, 7, 1);
    grid->addWidget(m_readButton, 7, 2);
    grid->setRowStretch(8, 1);
    grid->setColumnStretch(1, 1);
}

void SettingsPage::started() {
    const tev::link::Converter& converter = m_converter;
    Workspace& workspace = m_context->workspace;
    m_name->setText(QString::fromStdString(converter.name));
    m_address->setText(QString::fromStdString(ShownAddress(converter)));
    // The meter table is this converter's from now on: nothing another converter left in it shows.
    workspace.setMeterTable({});
    showConfig(converter.config);
    workspace.setSecondaryAddressing(true);
    loadTypeFile(converter.config.meterType, true);
    m_timer.start();
}

void SettingsPage::stopping() {
    m_timer.stop();
    reportUnfinished();
    m_readJob.cancel();
}

// A write asked for but not sent, or cut off on the line, is reported, never dropped silently.
void SettingsPage::reportUnfinished() {
    if (!m_context)
        return;
    auto report = [this](SettingsCommand command, const char* reason) {
        emit message(QString::fromStdString(CommandReport(m_converter, command, false, reason)));
    };
    if (m_job.active())
        report(m_sending, "已中止, 未确认");
    if (m_pending.pending() != SettingsCommand::None)
        report(m_pending.pending(), "未发送");
    m_pending = {};
}

// The fields of a configuration; a rate code or mode that matches no entry leaves its list as it is.
void SettingsPage::showConfig(const tev::protocol::ConverterConfig& config) {
    if (const auto rate = RateIndexOfCode(config.baudCode))
        m_rate->setCurrentIndex(static_cast<int>(*rate));
    m_time->setText(QString::number(config.acquisitionTime));
    m_count->setText(QString::number(config.meterCount));
    MeterTable table = m_context->workspace.meterTable();
    table.count = std::min<int>(config.meterCount, MeterTable::kMaxUsed);
    m_context->workspace.setMeterTable(table);
    if (config.parity < m_parity->count())
        m_parity->setCurrentIndex(config.parity);
    if (config.mode < m_mode->count())
        m_mode->setCurrentIndex(config.mode);
}

// Fills the hidden type list (sorted by text, so two-digit numbers stand in order) and, at page
// start, the workspace's type names (the first 32 in file order). The converter's type is chosen by
// the number its name begins with; a type the file does not name is listed as its number.
void SettingsPage::loadTypeFile(std::uint8_t selectedType, bool toWorkspace) {
    Workspace& workspace = m_context->workspace;
    const TypeFile file = LoadTypeFile(workspace.typeFilePath().toStdString());
    const std::vector<std::string>& names = file.names;
    if (toWorkspace)
        workspace.setTypeNames({names.begin(), names.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                                   names.size(), kTypeNameTableSize))});
    for (const auto& [shown, text] : {std::pair{file.truncated, kTypeFileTruncatedText},
                                      std::pair{TypeNamesOutOfPlace(names), kTypeFileOutOfPlaceText}})
        if (shown && workspace.firstNotice(std::string(text)))
            emit message(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    const TypeList list = SettingsTypeList(names, selectedType);
    m_typeNames = list.names;
    m_types->clear();
    for (const std::string& name : m_typeNames)
        m_types->addItem(ShowTypeName(name));
    m_types->setCurrentIndex(static_cast<int>(list.selected));
}

void SettingsPage::refuse(InputError error) {
    m_context->notifier.notify(this, QStringLiteral("INFO"), QString::fromUtf8(InputErrorText(error)),
                               Notifier::Icon::Warning);
}

void SettingsPage::setAddressAndRate() {
    if (!m_context)
        return;
    const auto rateIndex = static_cast<std::size_t>(std::max(0, m_rate->currentIndex()));
    BuiltWrite write = BuildAddressBaudWrite(m_converter.address, m_address->text().toStdString(), rateIndex);
    if (!write)
        return refuse(write.error);
    m_addressChange.expect(*ParseAddressText(m_address->text().toStdString()), rateIndex);
    m_pending.set(SettingsCommand::AddressBaud, std::move(write.frame));
}

void SettingsPage::setAcquisitionTime() {
    if (!m_context)
        return;
    BuiltWrite write = BuildAcquisitionTimeWrite(m_converter.address, m_time->text().toStdString());
    if (!write)
        return refuse(write.error);
    m_pending.set(SettingsCommand::AcquisitionTime, std::move(write.frame));
}

void SettingsPage::setTypeAndCount() {
    if (!m_context)
        return;
    const int type = m_types->currentIndex();
    const std::string name = type >= 0 ? m_typeNames[static_cast<std::size_t>(type)] : std::string();
    m_pending.set(SettingsCommand::TypeAndCount,
                  BuildTypeAndCountWrite(m_converter.address, name, m_count->text().toStdString()).frame);
}

void SettingsPage::setParity() {
    if (!m_context)
        return;
    const auto parity = static_cast<std::uint8_t>(std::max(0, m_parity->currentIndex()));
    m_pending.set(SettingsCommand::Parity, BuildParityWrite(m_converter.address, parity).frame);
}
