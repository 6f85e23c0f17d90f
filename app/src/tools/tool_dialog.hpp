// What every tool dialog (terminal, graph display, meter address setting) tells the main window. A
// tool that takes over the converters' line (terminal, graph) has the converter pages stop when it
// first shows; the meter address setting works on the meters' line and leaves them running.
#pragma once

#include <QDialog>

class ToolDialog : public QDialog {
    Q_OBJECT
  public:
    enum class LineUse { Shared, Taken };
    explicit ToolDialog(LineUse line, QWidget* parent = nullptr) : QDialog(parent), m_line(line) {}

  signals:
    // The converter pages stop (they must not talk on a line the tool uses).
    void stopPagesRequested();
    // A line for the message bar.
    void message(const QString& text);

  protected:
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        if (m_line == LineUse::Taken && !m_announced) {
            m_announced = true;
            emit stopPagesRequested();
        }
    }

  private:
    LineUse m_line;
    bool m_announced = false;
};
