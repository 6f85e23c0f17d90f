// The running search of the search dialog: start, one probe per tick on the serial thread, stop.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include "core/notifier.hpp"
#include "search_dialog.hpp"
#include <tev/uart.h>

using tev::link::ConverterSearch;
using tev::link::Probe;
using tev::link::ProbeOutcome;

namespace {

QString Hex2(unsigned value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

void SearchDialog::startSearch() {
    tev::link::SearchOptions options;
    options.port = static_cast<std::uint8_t>(m_port->currentIndex() + 1);
    for (std::size_t i = 0; i < m_rates.size(); ++i)
        options.rates[i] = m_rates[i]->isChecked();
    options.timeoutMs =
        tev::link::kSearchTimeouts.at(static_cast<std::size_t>(std::max(0, m_timeout->currentIndex())));
    options.parity = static_cast<std::uint8_t>(std::max(0, m_parity->currentIndex()));
    if (std::none_of(options.rates.begin(), options.rates.end(), [](bool b) { return b; })) {
        m_notifier.notify(this, QStringLiteral("INFO"), QStringLiteral("请至少选择一个波特率!"),
                          Notifier::Icon::Warning);
        return;
    }
    stopSearch(); // ends a running search and reports its count
    emit searchStarted(options.parity);
    m_run.begin(m_fastSearch->isChecked() && m_allParities->isChecked());
    m_found->clear();
    m_search.start(options);
    setSearching(true);
    if (m_fastSearch->isChecked())
        startFastSearch(options);
    else
        m_timer.start(m_search.tickIntervalMs());
}

void SearchDialog::stopSearch() {
    m_timer.stop();
    m_probe.cancel(); // a probe still on the line reports to nobody
    m_run.end();      // nor do the probes a stopped fast run reported before it ended
    setSearching(false);
    m_progress->setValue(0);
    emit message(QString::fromStdString(m_search.stop()));
    emit searchStopped();
}

void SearchDialog::reject() {
    if (m_run.started()) {
        m_timer.stop();
        m_probe.cancel();
        m_run.end();
    }
    QDialog::reject();
}

void SearchDialog::onTick() {
    if (m_probe.active())
        return; // the line is still busy with the previous probe
    const std::optional<Probe> probe = m_search.next();
    if (!probe) {
        stopSearch();
        return;
    }
    m_addressField->setText(Hex2(probe->address));
    m_rateField->setText(QString::number(probe->baud));
    const tev::SerialSettings settings = m_search.settingsFor(*probe);
    const std::uint16_t timeoutMs = m_search.timeoutMs();
    m_probe = m_worker.run<ProbeOutcome>(
        this,
        [settings, address = probe->address, timeoutMs] {
            return tev::link::ProbeConverter(settings, address, timeoutMs);
        },
        [this, p = *probe](ProbeOutcome outcome) { onProbeDone(p, outcome); },
        // Stopping, closing the dialog or the window wakes a probe waiting for its reply at once.
        [port = settings.port] { UartCancel(port); });
}

void SearchDialog::onProbeDone(const Probe& probe, const ProbeOutcome& outcome) {
    // The probe goes on without a message box; the reason shows once in the message bar.
    if (const std::string failure = m_run.openFailure().next(outcome.opened, outcome.openFailure);
        !failure.empty())
        emit message(QString::fromStdString(failure));
    if (const auto converter = m_search.record(probe, outcome.reply))
        addFound(*converter);
    m_progress->setValue(probe.address);
}

void SearchDialog::addFound(const tev::link::Converter& converter) {
    const tev::link::FoundRow row = tev::link::MakeFoundRow(converter);
    auto* item = new QTreeWidgetItem(m_found);
    item->setText(0, QString::fromStdString(row.name));
    item->setText(1, QString::fromStdString(row.address));
    item->setText(2, QString::fromStdString(row.baud));
    if (m_run.listsParities())
        item->setText(4, m_parity->itemText(converter.parity));
    emit converterFound(converter);
}
