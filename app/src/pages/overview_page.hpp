// The page "全部表数据": every meter and counter of the converter in one table, refreshed from a timer
// on the serial thread (tev::link::MeterOverview: one job per refresh) and optionally logged to a
// daily CSV file (tev::link::OverviewLog). Rows whose values changed are highlighted for a moment;
// rows whose block had no usable reply keep their last values in grey, marked stale.
#pragma once

#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

#include "pages/line_page.hpp"
#include "tev/link/overview_refresh.hpp"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace tev::link {
class OverviewLog;
class SerialClient;
} // namespace tev::link

class OverviewPage final : public LinePage {
    Q_OBJECT
  public:
    explicit OverviewPage(QWidget* parent = nullptr);
    ~OverviewPage() override;

    const tev::link::MeterOverview& overview() const { return m_refresh.overview(); }
    // Shortest period the plan allows on this converter's line, ms.
    int minimumPeriodMs() const { return m_minimumMs; }
    // The folder the CSV log goes to (the program's output folder until one is chosen).
    QString logFolder() const { return m_folder; }
    void setLogFolder(const QString& folder);

  signals:
    // A refresh came back and the table shows it.
    void refreshed();

  private:
    void started() override;
    void stopping() override;
    QWidget* buildControls();
    QWidget* buildLogControls();
    void updatePeriods();
    int periodMs() const;
    void startRefresh();
    void stopRefresh();
    void tick();
    void takeRefresh(tev::link::RefreshJob job);
    void showRows(bool highlightChanges);
    void logRefresh(tev::link::WallClock::time_point at);
    void setLogging(bool on);
    void chooseFolder();

    tev::link::OverviewRefresh m_refresh;
    std::unique_ptr<tev::link::OverviewLog> m_log;
    QString m_folder;
    int m_minimumMs = 0;
    std::vector<tev::link::ShownValues> m_shown; // each row's values as last shown
    int m_generation = 0;                        // refreshes shown, for the end of the highlight

    QTimer m_timer;
    QTableWidget* m_table = nullptr;
    QComboBox* m_period = nullptr;
    QLabel* m_minimum = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QCheckBox* m_logBox = nullptr;
    QLabel* m_folderLabel = nullptr;
};
