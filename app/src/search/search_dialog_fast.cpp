// The fast search of the search dialog ("快速搜索"): the whole search is one job on the serial thread
// that reports every probe as it comes; the option is kept in the user's settings.
#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QSettings>

#include "frame/user_settings.hpp"
#include "search_dialog.hpp"

using tev::link::Probe;
using tev::link::ProbeOutcome;

namespace {

// The user's settings: the options of the fast search, beside the window layout. Never in
// tev_module.ini, whose layout is fixed.
QSettings UserSettings() {
    return UserSettingsStore();
}
const QString kFastKey = QStringLiteral("search/fast");
const QString kAllParitiesKey = QStringLiteral("search/allParities");

QCheckBox* OptionBox(const QString& text, const QString& name, const QString& key, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setChecked(UserSettings().value(key, false).toBool());
    // Kept as soon as the user ticks it.
    QObject::connect(box, &QCheckBox::toggled, box, [key](bool on) { UserSettings().setValue(key, on); });
    return box;
}

} // namespace

QLayout* SearchDialog::buildFastOptions() {
    m_fastSearch = OptionBox(QStringLiteral("快速搜索"), QStringLiteral("fastSearch"), kFastKey, this);
    m_fastSearch->setToolTip(QStringLiteral("探测一个接一个, 不停顿; 串口一直打开"));
    m_allParities =
        OptionBox(QStringLiteral("所有校验"), QStringLiteral("allParities"), kAllParitiesKey, this);
    m_allParities->setToolTip(QStringLiteral("快速搜索依次用无校验、偶校验、奇校验"));
    m_allParities->setEnabled(m_fastSearch->isChecked());
    connect(m_fastSearch, &QCheckBox::toggled, m_allParities, &QCheckBox::setEnabled);
    auto* row = new QHBoxLayout;
    row->addWidget(m_fastSearch);
    row->addWidget(m_allParities);
    row->addStretch(1);
    return row;
}

void SearchDialog::startFastSearch(const tev::link::SearchOptions& options) {
    auto plan = tev::link::FastSearchPlan(options, m_allParities->isChecked(), m_search.lastAddress());
    auto run = std::make_shared<tev::link::FastSearchRun>();
    const int number = m_run.number();
    // Reports go to the application object on the user-interface thread, where the dialog is
    // deleted; they reach the dialog only while it lives and the run is the current one.
    auto report = [self = QPointer<SearchDialog>(this), number](const Probe& probe,
                                                                const ProbeOutcome& outcome) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, number, probe, outcome] {
                if (self)
                    self->onFastProbe(number, probe, outcome);
            },
            Qt::QueuedConnection);
    };
    m_probe = m_worker.run<std::size_t>(
        this,
        [run, plan = std::move(plan), port = options.port, timeoutMs = options.timeoutMs, report] {
            return run->run(plan, port, timeoutMs, report);
        },
        // The end of the plan; posted after its last report. A stopped run delivers nothing.
        [this, number](std::size_t) {
            if (m_run.current(number))
                stopSearch();
        },
        // Stopping, closing the dialog or the window wakes the probe under way and ends the run.
        [run] { run->stop(); });
}

void SearchDialog::onFastProbe(int run, const Probe& probe, const ProbeOutcome& outcome) {
    if (!m_run.current(run))
        return;
    m_addressField->setText(QStringLiteral("%1").arg(probe.address, 2, 16, QLatin1Char('0')).toUpper());
    m_rateField->setText(QString::number(probe.baud));
    onProbeDone(probe, outcome);
}
