// The command terminal "单步命令行(终端)": one typed hexadecimal frame, completed with its checksum
// and 0x16, sent on a chosen port; the reply with its time goes on top of the history.
#pragma once

#include "core/page_context.hpp"
#include "core/port_hub.hpp"
#include "tev/link/terminal.hpp"
#include "tools/tool_dialog.hpp"

class Notifier;
class Workspace;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

class TerminalDialog final : public ToolDialog {
    Q_OBJECT
  public:
    explicit TerminalDialog(const ToolContext& context, QWidget* parent = nullptr);
    ~TerminalDialog() override;

    // Writes the history as shown, each line after the time it was added; false when the file
    // cannot be written.
    bool saveHistory(const QString& path, QString* why = nullptr) const;

  public slots:
    void run();
    void copyHistory() const;
    void reject() override;

  private:
    void buildControls();
    void buildLayout();
    void buildHistoryMenu();
    void saveHistoryAs();
    void addHistory(int row, const QString& text);
    void showReply(const tev::link::TerminalRun& run);
    void rememberCommand(const QString& command);
    tev::protocol::MeterOrigin origin() const;

    Workspace& m_workspace;
    PortHub& m_ports;
    PortLease m_lease; // the port of the run on the line
    Notifier& m_notifier;
    std::uint32_t m_baud = 2400;
    JobToken m_job;

    QComboBox* m_port = nullptr;
    QComboBox* m_baudBox = nullptr;
    QComboBox* m_origin = nullptr;
    QComboBox* m_command = nullptr;
    QComboBox* m_checksum = nullptr;
    QLineEdit* m_response = nullptr;
    QListWidget* m_history = nullptr;
    QPushButton* m_runButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
