// The meter address setting "热表地址设定": gives one meter (typed in) or a batch of meters (from an
// import file, one per tick) a new primary M-Bus address, directly on a chosen port.
#pragma once

#include <QTimer>
#include <atomic>
#include <memory>

#include "core/page_context.hpp"
#include "core/port_hub.hpp"
#include "tev/link/meter_address.hpp"
#include "tev/link/open_failure_notice.hpp"
#include "tools/tool_dialog.hpp"

class Notifier;
class QComboBox;
class QLineEdit;
class QPushButton;

class MeterAddressDialog final : public ToolDialog {
    Q_OBJECT
  public:
    explicit MeterAddressDialog(const ToolContext& context, QWidget* parent = nullptr);
    ~MeterAddressDialog() override;

    // The batch's period; 800 ms unless a test or demo sets it.
    void setTickIntervalMs(int ms) { m_timer.setInterval(ms); }
    // Shows the path and appends the file's lines to the import lines, as "...." does after its
    // file dialog; an empty path only clears the chosen file.
    void chooseImportFile(const QString& path);
    // Import lines read so far.
    const tev::link::AddressBatch& batch() const { return m_batch; }

  public slots:
    void setManually();
    void startBatch();
    // Stops the batch (a line on the line is abandoned, its port closed) and closes the dialog.
    void reject() override;

  private:
    void buildControls();
    void buildButtons();
    void buildLayout();
    void setMode(int index);
    void browse();
    tev::SerialSettings takeSettings();
    void onTick();
    void runLine(const tev::link::AddressBatch::Line& line);
    JobToken runAttempt(const tev::link::AddressRequest& request,
                        std::function<void(tev::link::AddressAttempt)> done);
    void reportOpenFailure(const tev::link::AddressAttempt& attempt);
    void notify(const QString& text);

    PortHub& m_ports;
    PortLease m_lease; // the meters' port while attempts run on it
    Notifier& m_notifier;
    tev::link::AddressBatch m_batch;
    QString m_importPath;
    std::uint32_t m_baud = 2400;
    QTimer m_timer;
    JobToken m_job;
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
    tev::link::OpenFailureNotice m_openFailure; // said once in the message bar, not at every batch line

    QComboBox* m_port = nullptr;
    QComboBox* m_baudBox = nullptr;
    QComboBox* m_mode = nullptr;
    QLineEdit* m_identification = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_manufacturer = nullptr;
    QLineEdit* m_importField = nullptr;
    QPushButton* m_browse = nullptr;
    QLineEdit* m_status = nullptr;
    QPushButton* m_importButton = nullptr;
    QPushButton* m_manualButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
