// The search dialog "查询": finds the converters on one line by probing every address at the
// ticked rates, and keeps its choices in tev_module.ini.
#pragma once

#include <QDialog>
#include <QTimer>
#include <array>

#include "core/serial_worker.hpp"
#include "tev/link/converter_probe.hpp"
#include "tev/link/converter_search.hpp"
#include "tev/link/fast_search.hpp"
#include "tev/link/program_files.hpp"
#include "tev/link/search_run.hpp"
#include "tev/link/settings_file.hpp"

class Notifier;
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
    // files: the tev_module.ini to load now and to write on "保存" (made from the installed default on
    // the first save of an installed program).
    SearchDialog(SerialWorker& worker, Notifier& notifier, tev::link::ProgramFiles files,
                 QWidget* parent = nullptr);
    ~SearchDialog() override;

    // The search logic, for a shorter pause or range in tests and demos.
    tev::link::ConverterSearch& search() { return m_search; }

    // The dialog's choices as stored in the file.
    tev::link::SearchSettings currentSettings() const;
    void applySettings(const tev::link::SearchSettings& settings);

  signals:
    // A search starts with this parity: converters found before are gone, pages stop.
    void searchStarted(int parity);
    void converterFound(const tev::link::Converter& converter);
    // The search ended (stop, end of the range, or the start of a new one).
    void searchStopped();
    // A line for the message bar.
    void message(const QString& text);

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
    QLayout* buildFastOptions();
    void loadSettings();
    void startFastSearch(const tev::link::SearchOptions& options);
    void onFastProbe(int run, const tev::link::Probe& probe, const tev::link::ProbeOutcome& outcome);
    void setSearching(bool searching);
    void onTick();
    void onProbeDone(const tev::link::Probe& probe, const tev::link::ProbeOutcome& outcome);
    void addFound(const tev::link::Converter& converter);
    void updatePortHint();

    SerialWorker& m_worker;
    Notifier& m_notifier;
    tev::link::ProgramFiles m_files;
    tev::link::ConverterSearch m_search;
    tev::link::SearchSettings m_hidden{}; // carries the meter lists the dialog does not show
    QTimer m_timer;
    JobToken m_probe;
    tev::link::SearchRun m_run; // which run's reports count, parities listed, open failure said once

    QComboBox* m_port = nullptr;
    QComboBox* m_timeout = nullptr;
    QComboBox* m_parity = nullptr;
    std::array<QCheckBox*, 8> m_rates{}; // order of kSearchRates: 1200 ... 115200
    QCheckBox* m_fastSearch = nullptr;
    QCheckBox* m_allParities = nullptr;
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
