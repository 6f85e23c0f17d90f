// The notice "提示" shown while the meter list goes to the converter: "请等待", the seconds left,
// "秒,然后重新搜索" and a progress bar; its OK button is enabled when the countdown ends.
#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;

class WaitNotice final : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kSeconds = 6;
    explicit WaitNotice(QWidget* parent = nullptr);

  private:
    void step();

    int m_left = kSeconds;
    QLabel* m_seconds = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_ok = nullptr;
    QTimer m_timer;
};
