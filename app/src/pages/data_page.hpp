// The data page "模块显示": for the entry chosen in "表号" it shows whether the converter reaches the
// meter, the meter's M-Bus status code, its serial number and its accumulated flow, polled from a
// timer cyclically or once per "刷新开始". The polls run on the serial thread (tev::link::RunDataPoll)
// over its converter's port, borrowed while the page runs.
#pragma once

#include <QTimer>
#include <memory>

#include "pages/line_page.hpp"
#include "tev/link/data_poll.hpp"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

class DataPage final : public LinePage {
    Q_OBJECT
  public:
    explicit DataPage(QWidget* parent = nullptr);
    ~DataPage() override;

  signals:
    // A poll came back and the page shows its result.
    void polled();

  private:
    void started() override;
    void stopping() override;
    void buildControls();
    QWidget* buildStatusBox();
    QWidget* buildRefreshBox();
    void startRefresh();
    void stopRefresh();
    void tick();
    void finishTick();
    void showPoll(const tev::link::DataPollResult& result);
    void showView();
    tev::link::RefreshMode mode() const;

    tev::link::DataView m_view;

    QTimer m_timer;
    QComboBox* m_entries = nullptr;
    QLabel* m_linkDown = nullptr;
    QLabel* m_linkUp = nullptr;
    QLineEdit* m_status = nullptr;
    QTableWidget* m_table = nullptr;
    QRadioButton* m_single = nullptr;
    QRadioButton* m_cyclic = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
};
