#include "overview_page.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/notifier.hpp"
#include "core/workspace.hpp"
#include "meters/type_names.hpp"
#include "tev/link/data_poll.hpp"
#include "tev/link/overview_log.hpp"
#include "tev/link/overview_refresh.hpp"
#include "tev/link/serial_client.hpp"
#include "tev/link/type_file.hpp"

using tev::link::MeterOverview;
using tev::link::OverviewRow;
using tev::link::RefreshJob;

namespace {

const char* const kColumns[] = {"序号",   "二级地址", "类型",     "连接",
                                "状态码", "表系列号", "累积流量", "更新时间"};
constexpr int kColumnCount = 8;
constexpr int kPeriodsMs[] = {1000, 2000, 5000, 10000, 30000, 60000};
constexpr int kHighlightMs = 1500;
const QColor kChanged(0xFF, 0xF2, 0xA8);
const QColor kStale(0x90, 0x90, 0x90);
const QColor kLinkDown(0xD0, 0x00, 0x00);

QString TypeName(const OverviewRow& row, const std::vector<std::string>& names) {
    if (!row.type)
        return {};
    return ShowTypeName(tev::link::TypeNameOf(names, *row.type)); // a type without a name: its number
}

QStringList RowTexts(const OverviewRow& row, const std::vector<std::string>& typeNames) {
    QString updated;
    if (row.updated)
        updated = QDateTime::fromSecsSinceEpoch(tev::link::WallClock::to_time_t(*row.updated))
                      .toString(QStringLiteral("HH:mm:ss"));
    return {QString::fromStdString(tev::link::DataEntryName(row.entry)),
            QString::fromStdString(row.secondary.value_or("")),
            TypeName(row, typeNames),
            QString::fromStdString(tev::link::LinkText(row)),
            QString::fromStdString(tev::link::StatusText(row)),
            QString::fromStdString(tev::link::SerialText(row)),
            QString::fromStdString(tev::link::FlowText(row)),
            updated};
}

} // namespace

OverviewPage::OverviewPage(QWidget* parent) : LinePage(parent) {
    m_timer.setParent(this);
    m_timer.setObjectName(QStringLiteral("overviewTimer"));
    connect(&m_timer, &QTimer::timeout, this, &OverviewPage::tick);
    m_table = new QTableWidget(0, kColumnCount, this);
    m_table->setObjectName(QStringLiteral("overviewTable"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QStringList captions;
    for (const char* caption : kColumns)
        captions << QString::fromUtf8(caption);
    m_table->setHorizontalHeaderLabels(captions);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addWidget(buildControls());
    layout->addWidget(buildLogControls());
}

OverviewPage::~OverviewPage() {
    stop();
}

QWidget* OverviewPage::buildControls() {
    auto* box = new QWidget(this);
    m_period = new QComboBox(box);
    m_period->setObjectName(QStringLiteral("periodBox"));
    for (const int ms : kPeriodsMs)
        m_period->addItem(QStringLiteral("%1秒").arg(ms / 1000), ms);
    m_period->setCurrentIndex(1);
    m_minimum = new QLabel(box);
    m_minimum->setObjectName(QStringLiteral("minimumPeriod"));
    m_start = new QPushButton(QStringLiteral("刷新开始"), box);
    m_start->setObjectName(QStringLiteral("overviewStart"));
    m_stop = new QPushButton(QStringLiteral("刷新停止"), box);
    m_stop->setObjectName(QStringLiteral("overviewStop"));
    m_stop->setEnabled(false);
    connect(m_start, &QPushButton::clicked, this, &OverviewPage::startRefresh);
    connect(m_stop, &QPushButton::clicked, this, &OverviewPage::stopRefresh);
    connect(m_period, &QComboBox::currentIndexChanged, this, [this] {
        if (m_timer.isActive())
            m_timer.setInterval(periodMs());
    });
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("刷新周期"), box));
    row->addWidget(m_period);
    row->addWidget(m_minimum);
    row->addStretch();
    row->addWidget(m_start);
    row->addWidget(m_stop);
    return box;
}

QWidget* OverviewPage::buildLogControls() {
    auto* box = new QWidget(this);
    m_logBox = new QCheckBox(QStringLiteral("记录到CSV"), box);
    m_logBox->setObjectName(QStringLiteral("logBox"));
    auto* choose = new QPushButton(QStringLiteral("文件夹..."), box);
    choose->setObjectName(QStringLiteral("logFolderButton"));
    m_folderLabel = new QLabel(box);
    m_folderLabel->setObjectName(QStringLiteral("logFolder"));
    m_folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(m_logBox, &QCheckBox::toggled, this, &OverviewPage::setLogging);
    connect(choose, &QPushButton::clicked, this, &OverviewPage::chooseFolder);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_logBox);
    row->addWidget(choose);
    row->addWidget(m_folderLabel, 1);
    return box;
}

void OverviewPage::started() {
    m_refresh.start(m_converter, m_context->workspace.learnedLimits(m_converter));
    m_shown.clear();
    if (m_folder.isEmpty())
        setLogFolder(m_context->workspace.outputFolder());
    updatePeriods();
    showRows(false);
}

void OverviewPage::stopping() {
    stopRefresh();
    if (m_logBox)
        m_logBox->setChecked(false);
}

void OverviewPage::setLogFolder(const QString& folder) {
    m_folder = folder;
    m_folderLabel->setText(folder);
    if (m_log)
        m_log = std::make_unique<tev::link::OverviewLog>(folder.toStdString());
}

void OverviewPage::chooseFolder() {
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("CSV记录文件夹"), m_folder);
    if (!folder.isEmpty())
        setLogFolder(folder);
}

void OverviewPage::setLogging(bool on) {
    if (!on) {
        m_log.reset();
        return;
    }
    const QFileInfo folder(m_folder);
    if (!folder.isDir() || !folder.isWritable()) {
        if (m_context)
            m_context->notifier.notify(this, QStringLiteral("记录到CSV"),
                                       QStringLiteral("记录文件夹不存在或不可写: ") + m_folder,
                                       Notifier::Icon::Warning);
        m_logBox->setChecked(false);
        return;
    }
    m_log = std::make_unique<tev::link::OverviewLog>(m_folder.toStdString());
}

// The choices below the plan's wire time are disabled.
void OverviewPage::updatePeriods() {
    const MeterOverview& overview = m_refresh.overview();
    const auto plan = tev::link::PlanOverview(overview.meterCount(), overview.limits(), false);
    m_minimumMs = tev::link::MinimumPeriodMs(plan, m_converter.baud, m_converter.parity);
    auto* model = qobject_cast<QStandardItemModel*>(m_period->model());
    int firstAllowed = -1;
    for (int i = 0; i < m_period->count(); ++i) {
        const bool allowed = m_period->itemData(i).toInt() >= m_minimumMs;
        model->item(i)->setEnabled(allowed);
        if (allowed && firstAllowed < 0)
            firstAllowed = i;
    }
    if (firstAllowed >= 0 && m_period->currentData().toInt() < m_minimumMs)
        m_period->setCurrentIndex(firstAllowed);
    m_minimum->setText(QStringLiteral("最短 %1 秒").arg(m_minimumMs / 1000.0, 0, 'f', 1));
    if (m_timer.isActive())
        m_timer.setInterval(periodMs());
}

int OverviewPage::periodMs() const {
    return std::max(m_period->currentData().toInt(), m_minimumMs);
}

void OverviewPage::startRefresh() {
    m_timer.start(periodMs());
    m_start->setEnabled(false);
    m_stop->setEnabled(true);
    tick();
}

void OverviewPage::stopRefresh() {
    m_timer.stop();
    if (m_start)
        m_start->setEnabled(true);
    if (m_stop)
        m_stop->setEnabled(false);
}

void OverviewPage::tick() {
    if (!m_context || !m_port)
        return;
    const Workspace& workspace = m_context->workspace;
    if (tev::link::HasConverterPages(workspace.currentConverter()))
        m_converter = workspace.currentConverter();
    if (!mayTalk())
        return; // paused, or the previous refresh is still on the line
    if (m_refresh.follow(m_converter, m_context->workspace.learnedLimits(m_converter))) {
        m_shown.clear();
        updatePeriods();
    }
    const auto settings = m_converter.settings();
    m_job = m_port.run<RefreshJob>(
        this,
        [settings, overview = m_refresh.overview()](tev::link::SerialClient& client) {
            return tev::link::RunRefresh(client, settings, overview);
        },
        [this](RefreshJob job) { takeRefresh(std::move(job)); });
}

void OverviewPage::takeRefresh(RefreshJob job) {
    const auto at = job.at;
    const auto taken = m_refresh.take(std::move(job));
    if (!taken.failure.empty())
        emit message(QString::fromStdString(taken.failure));
    if (!taken.shown)
        return;
    if (taken.limitsChanged) {
        m_context->workspace.setLearnedLimits(m_converter, m_refresh.overview().limits());
        updatePeriods();
    }
    showRows(true);
    logRefresh(at);
    emit refreshed();
}

void OverviewPage::logRefresh(tev::link::WallClock::time_point at) {
    if (!m_log)
        return;
    if (m_log->append(at, m_refresh.overview().slave(), m_refresh.overview().rows()))
        return;
    emit message(QStringLiteral("记录到CSV停止: ") + QString::fromStdString(m_log->error()));
    m_logBox->setChecked(false);
}

void OverviewPage::showRows(bool highlightChanges) {
    const auto& rows = m_refresh.overview().rows();
    const std::vector<std::string> noNames;
    const auto& names = m_context ? m_context->workspace.typeNames() : noNames;
    m_table->setRowCount(static_cast<int>(rows.size()));
    m_shown.resize(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const QStringList texts = RowTexts(rows[r], names);
        const tev::link::ShownValues values = tev::link::ShownValuesOf(rows[r]);
        const bool changed = highlightChanges && tev::link::ShowsChange(m_shown[r], values);
        const bool stale = rows[r].stale() && rows[r].updated.has_value();
        m_shown[r] = values;
        for (int c = 0; c < kColumnCount; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (changed)
                item->setBackground(kChanged);
            if (c == 3 && rows[r].status && rows[r].status->link == tev::protocol::kLinkDisconnected)
                item->setForeground(kLinkDown);
            if (stale) {
                item->setForeground(kStale);
                item->setToolTip(QStringLiteral("本次刷新未读到, 显示的是上次的数据"));
            }
            m_table->setItem(static_cast<int>(r), c, item);
        }
    }
    const int generation = ++m_generation;
    QTimer::singleShot(kHighlightMs, this, [this, generation] {
        if (generation != m_generation)
            return; // a later refresh set its own highlights
        for (int r = 0; r < m_table->rowCount(); ++r)
            for (int c = 0; c < kColumnCount; ++c)
                if (QTableWidgetItem* item = m_table->item(r, c))
                    item->setBackground(QBrush());
    });
}
