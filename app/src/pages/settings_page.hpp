// The settings page "模块设置" ("转换模块参数设定") of the selected converter: shows its configuration
// and changes it. A button only builds its request and leaves it in the single pending slot; the
// page's 500 ms tick sends it on the serial thread and reports the outcome to the message bar.
// "型号序列号设置" reads the meter list, lets the technician edit it in the meter list dialog and
// writes it back on three consecutive ticks while the wait notice counts down.
#pragma once

#include <QTimer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pages/line_page.hpp"
#include "tev/link/converter_settings.hpp"
#include "tev/link/serial_client.hpp"

class QComboBox;
class QLineEdit;
class QPushButton;

class SettingsPage final : public LinePage {
    Q_OBJECT
  public:
    static constexpr int kTickMs = 500;

    explicit SettingsPage(QWidget* parent = nullptr);
    ~SettingsPage() override;

  private:
    void started() override;
    void stopping() override;
    void buildControls();
    void buildLayout();
    QPushButton* makeButton(const char* text, const char* name, void (SettingsPage::*slot)());
    void showConfig(const tev::protocol::ConverterConfig& config);
    void loadTypeFile(std::uint8_t selectedType, bool toWorkspace);
    void refuse(tev::link::InputError error);
    void setAddressAndRate();
    void setAcquisitionTime();
    void setTypeAndCount();
    void setParity();
    void readConfig();
    void editMeterList();
    void runMeterListDialog(const tev::link::MeterListRead& read);
    void tick();
    void finished(const tev::link::CommandOutcome& outcome);
    void reportUnfinished();

    tev::link::PendingCommand m_pending;
    tev::link::SettingsCommand m_sending = tev::link::SettingsCommand::None; // the command on the line
    tev::link::AddressChange m_addressChange; // taken over once the converter echoes it
    JobToken m_readJob;                       // a configuration or meter-list read
    QTimer m_timer;
    std::vector<std::string> m_typeNames; // bytes of the hidden type list's items, by item

    QLineEdit* m_name = nullptr;
    QLineEdit* m_address = nullptr;
    QComboBox* m_rate = nullptr;
    QLineEdit* m_time = nullptr;
    QLineEdit* m_count = nullptr;
    QComboBox* m_parity = nullptr;
    QComboBox* m_types = nullptr; // hidden, sorted
    QComboBox* m_mode = nullptr;  // hidden
    QPushButton* m_meterListButton = nullptr;
    QPushButton* m_readButton = nullptr;
};
