// The search dialog "查询": finds the converters on one line by probing every address at the
// ticked rates, and keeps its choices in tev_module.ini.
#pragma once

#include <QDialog>
#include <QTimer>
#include <array>

#include "tev/link/converter_probe.hpp"
#include "tev/link/converter_search.hpp"
#include "tev/link/settings_file.hpp"

class MainFrame;
class QCheckBox;
class QComboBox;
class QLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

class SearchDialog final : public QDialog {
    Q_OBJECT
  public:
    // settingsPath: the tev_module.ini to load now and to write on "保存".
    SearchDialog(MainFrame& frame, QString settingsPath, QWidget* parent = nullptr);
    ~SearchDialog() override;

    // The search logic, for a shorter pause or range in tests and demos.
    tev::link::ConverterSearch& search() { return m_search; }

    // The dialog's choices as stored in the file.
    tev::link::SearchSettings currentSettings() const;
    void applySettings(const tev::link::SearchSettings& settings);

    QComboBox* portList() const { return m_port; }
    QComboBox* timeoutList() const { return m_timeout; }
    QComboBox* parityList() const { return m_parity; }
    QCheckBox* rateBox(std::size_t index) const { return m_rates.at(index); }
    QTreeWidget* foundList() const { return m_found; }
    QProgressBar* progress() const { return m_progress; }
    QLineEdit* addressField() const { return m_addressField; }
    QLineEdit* rateField() const { return m_rateField; }
    QPushButton* searchButton() const { return m_searchButton; }
    QPushButton* stopButton() const { return m_stopButton; }
    QPushButton* saveButton() const { return m_saveButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

  signals:
    // The search ended (stop, end of the range, or the start of a new one).
    void searchStopped();

  public slots:
    void startSearch();
    void stopSearch();
    void saveSettings();
    void reject() override;

  private:
    void buildControls();
    QLayout* buildLineRow();
    QLayout* buildProgressRow();
    QLayout* buildButtons();
    QWidget* buildRateGroup();
    QWidget* buildFoundList();
    void loadSettings();
    void setSearching(bool searching);
    void onTick();
    void onProbeDone(quint64 generation, const tev::link::Probe& probe,
                     const tev::link::ProbeOutcome& outcome);
    void addFound(const tev::ConverterEntry& entry);
    void updatePortHint();

    MainFrame& m_frame;
    QString m_settingsPath;
    tev::link::ConverterSearch m_search;
    tev::link::SearchSettings m_hidden{}; // carries the meter lists the dialog does not show
    QTimer m_timer;
    quint64 m_generation = 0;
    bool m_probeRunning = false;
    bool m_everStarted = false;
    QString m_lastOpenFailure;

    QComboBox* m_port = nullptr;
    QComboBox* m_timeout = nullptr;
    QComboBox* m_parity = nullptr;
    std::array<QCheckBox*, 8> m_rates{}; // order of kSearchRates: 1200 ... 115200
    QLineEdit* m_addressField = nullptr;
    QLineEdit* m_rateField = nullptr;
    QLineEdit* m_deviceField = nullptr;
    QProgressBar* m_progress = nullptr;
    QTreeWidget* m_found = nullptr;
    QPushButton* m_searchButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
