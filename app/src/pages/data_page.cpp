#include "data_page.hpp"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/workspace.hpp"
#include "tev/link/serial_client.hpp"

using tev::link::DataPollResult;

namespace {

struct Column {
    const char* caption;
    int width;
};
constexpr Column kColumns[tev::link::kDataColumns] = {{"序号", 40},   {"物理量", 100},   {"MODBUS地址", 80},
                                                      {"字长度", 50}, {"数据显示", 120}, {"单位", 60}};

QLabel* Indicator(const QString& text, const char* name, const char* colour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAutoFillBackground(true);
    label->setStyleSheet(
        QStringLiteral("background-color: %1; padding: 2px 6px;").arg(QLatin1String(colour)));
    return label;
}

} // namespace

DataPage::DataPage(QWidget* parent) : LinePage(parent) {
    m_timer.setParent(this);
    m_timer.setObjectName(QStringLiteral("refreshTimer"));
    connect(&m_timer, &QTimer::timeout, this, &DataPage::tick);
    buildControls();
    showView();
}

DataPage::~DataPage() {
    stop();
}

void DataPage::buildControls() {
    auto* title = new QLabel(QStringLiteral("MODBUS通讯数据 "), this);
    m_entries = new QComboBox(this);
    m_entries->setObjectName(QStringLiteral("entryBox"));
    for (int e = 0; e < tev::link::kDataEntries; ++e)
        m_entries->addItem(QString::fromStdString(tev::link::DataEntryName(e)));
    m_entries->setCurrentIndex(0);
    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(new QLabel(QStringLiteral("表号"), this));
    entryRow->addWidget(m_entries);
    entryRow->addStretch();

    m_table = new QTableWidget(0, tev::link::kDataColumns, this);
    m_table->setObjectName(QStringLiteral("valueTable"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    QStringList captions;
    for (const Column& c : kColumns)
        captions << QString::fromUtf8(c.caption);
    m_table->setHorizontalHeaderLabels(captions);
    for (int i = 0; i < tev::link::kDataColumns; ++i)
        m_table->setColumnWidth(i, kColumns[i].width);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addLayout(entryRow);
    layout->addWidget(buildStatusBox());
    layout->addWidget(m_table, 1);
    layout->addWidget(buildRefreshBox());
}

QWidget* DataPage::buildStatusBox() {
    auto* box = new QGroupBox(QStringLiteral("状态"), this);
    box->setObjectName(QStringLiteral("statusBox"));
    box->setStyleSheet(QStringLiteral("QGroupBox { color: blue; }"));
    m_linkDown = Indicator(QStringLiteral(" 断"), "linkDown", "#FF0000", box);
    m_linkUp = Indicator(QStringLiteral(" 通"), "linkUp", "#00FF00", box);
    m_status = new QLineEdit(box);
    m_status->setObjectName(QStringLiteral("statusCode"));
    m_status->setReadOnly(true);
    m_status->setMaximumWidth(60);
    auto* row = new QHBoxLayout(box);
    row->addWidget(new QLabel(QStringLiteral("M-BUS表状态："), box));
    row->addWidget(new QLabel(QStringLiteral("当前表:"), box));
    row->addWidget(m_linkDown);
    row->addWidget(m_linkUp);
    row->addSpacing(16);
    row->addWidget(new QLabel(QStringLiteral("状态码(HEX)"), box));
    row->addWidget(m_status);
    row->addStretch();
    return box;
}

QWidget* DataPage::buildRefreshBox() {
    auto* box = new QWidget(this);
    m_single = new QRadioButton(QStringLiteral("不循环刷新"), box);
    m_single->setObjectName(QStringLiteral("singleMode"));
    m_cyclic = new QRadioButton(QStringLiteral("循环刷新"), box);
    m_cyclic->setObjectName(QStringLiteral("cyclicMode"));
    m_cyclic->setChecked(true);
    m_start = new QPushButton(QStringLiteral("刷新开始"), box);
    m_start->setObjectName(QStringLiteral("startButton"));
    m_start->setEnabled(false);
    m_stop = new QPushButton(QStringLiteral("刷新停止"), box);
    m_stop->setObjectName(QStringLiteral("stopButton"));
    connect(m_start, &QPushButton::clicked, this, &DataPage::startRefresh);
    connect(m_stop, &QPushButton::clicked, this, &DataPage::stopRefresh);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_single);
    row->addWidget(m_cyclic);
    row->addStretch();
    row->addWidget(m_start);
    row->addWidget(m_stop);
    return box;
}

void DataPage::started() {
    // Polling starts at once, in the cyclic mode, until "刷新开始" sets the period.
    m_timer.start(tev::link::kFirstPeriodMs);
}

void DataPage::stopping() {
    m_timer.stop();
}

tev::link::RefreshMode DataPage::mode() const {
    return m_single->isChecked() ? tev::link::RefreshMode::Single : tev::link::RefreshMode::Cyclic;
}

void DataPage::startRefresh() {
    m_timer.stop();
    m_timer.start(tev::link::StartPeriodMs(mode(), m_converter.baud));
    m_start->setEnabled(false);
    m_stop->setEnabled(true);
}

void DataPage::stopRefresh() {
    m_timer.stop();
    m_start->setEnabled(true);
    m_stop->setEnabled(false);
}

void DataPage::tick() {
    if (!m_context || !m_port)
        return;
    const Workspace& workspace = m_context->workspace;
    if (tev::link::HasConverterPages(workspace.currentConverter()))
        m_converter = workspace.currentConverter();
    const tev::link::TickState state{.meterListOpen = workspace.meterListOpen(),
                                     .pagesRunning = workspace.pagesRunning(),
                                     .busy = m_job.active(),
                                     .polled = m_converter.polled};
    switch (tev::link::DecideTick(state)) {
    case tev::link::TickAction::Nothing:
        return;
    case tev::link::TickAction::Finish:
        finishTick();
        return;
    case tev::link::TickAction::Poll:
        break;
    }
    const int entry = m_entries->currentIndex();
    const tev::SerialSettings settings = m_converter.settings();
    const std::uint8_t slave = m_converter.address;
    m_job = m_port.run<DataPollResult>(
        this,
        [settings, slave, entry](tev::link::SerialClient& client) {
            if (client.open(settings) != 0)
                return DataPollResult{entry, std::nullopt, std::nullopt, 0};
            return tev::link::RunDataPoll(client, slave, entry);
        },
        [this](DataPollResult result) {
            showPoll(result);
            finishTick();
        });
}

void DataPage::finishTick() {
    if (mode() == tev::link::RefreshMode::Single) {
        m_single->setChecked(true);
        stopRefresh();
    } else {
        m_cyclic->setChecked(true);
    }
}

void DataPage::showPoll(const DataPollResult& result) {
    m_view.apply(result);
    showView();
    emit polled();
}

void DataPage::showView() {
    m_linkDown->setVisible(!m_view.linkUp);
    m_linkUp->setVisible(m_view.linkUp);
    m_status->setText(QString::fromStdString(m_view.statusText));
    m_table->setRowCount(static_cast<int>(m_view.rows.size()));
    for (int r = 0; r < m_table->rowCount(); ++r)
        for (int c = 0; c < tev::link::kDataColumns; ++c) {
            const auto& text = m_view.rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
            m_table->setItem(r, c, new QTableWidgetItem(QString::fromStdString(text)));
        }
}
