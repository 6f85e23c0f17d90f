// The settings page's exchanges: the tick that sends the pending command, the configuration read and
// the meter list's read, edit and write.
#include <QLineEdit>
#include <QPushButton>

#include "core/workspace.hpp"
#include "meters/meter_list_dialog.hpp"
#include "settings_page.hpp"
#include "wait_notice.hpp"

using namespace tev::link;

void SettingsPage::tick() {
    if (!mayTalk(false))
        return; // stopped, or the previous command is still on the line
    std::optional<SettingsJob> job = m_pending.take();
    if (!job)
        return;
    m_sending = job->command;
    m_job = m_port.run<CommandOutcome>(
        this,
        [converter = m_converter, job = std::move(*job)](SerialClient& client) {
            return RunSettingsJob(client, converter, job);
        },
        [this](CommandOutcome outcome) { finished(outcome); });
}

void SettingsPage::finished(const CommandOutcome& outcome) {
    if (const auto moved = m_addressChange.settle(m_converter, outcome)) {
        m_converter = *moved;
        m_address->setText(QString::fromStdString(ShownAddress(m_converter)));
        emit converterChanged(m_converter);
    }
    if (outcome.command == SettingsCommand::Block1)
        m_context->workspace.setMeterListOpen(false);
    emit message(QString::fromStdString(CommandReport(m_converter, outcome.command, outcome.ok(),
                                                      outcome.ok() ? "" : FailureReason(outcome))));
}

void SettingsPage::readConfig() {
    if (!m_context || !m_port || m_readJob.active())
        return;
    m_readJob = m_port.run<std::optional<ConfigRead>>(
        this,
        [converter = m_converter](SerialClient& client) { return ReadConfiguration(client, converter); },
        [this](std::optional<ConfigRead> read) {
            if (!read) {
                emit message(QString::fromStdString(m_converter.name) + QStringLiteral("读配置参数失败 !"));
                return;
            }
            m_converter.config = read->config;
            m_converter.configText = read->text;
            m_address->setText(
                QStringLiteral("%1").arg(read->config.address, 2, 16, QLatin1Char('0')).toUpper());
            showConfig(read->config);
            loadTypeFile(read->config.meterType, false);
        });
}

void SettingsPage::editMeterList() {
    if (!m_context || !m_port || m_readJob.active())
        return;
    const auto count = static_cast<std::size_t>(m_context->workspace.meterTable().count);
    m_meterListButton->setEnabled(false);
    m_readJob = m_port.run<MeterListRead>(
        this,
        [converter = m_converter, count](SerialClient& client) {
            return ReadMeterList(client, converter, count);
        },
        [this](MeterListRead read) {
            m_meterListButton->setEnabled(true);
            runMeterListDialog(read);
        });
}

void SettingsPage::runMeterListDialog(const MeterListRead& read) {
    Workspace& workspace = m_context->workspace;
    MeterTable table = workspace.meterTable();
    ApplyMeterListRead(table, read);
    workspace.setMeterTable(table);
    workspace.setMeterListOpen(true);
    MeterListDialog dialog(workspace, m_context->notifier, this);
    if (dialog.exec() != QDialog::Accepted) {
        workspace.setMeterListOpen(false);
        return;
    }
    // Sent on the next ticks, one write a tick, while the notice counts down.
    m_pending.setMeterList(BuildMeterListWrites(m_converter.address, workspace.meterTable()));
    WaitNotice notice(this);
    notice.exec();
    workspace.setMeterListOpen(false);
}
