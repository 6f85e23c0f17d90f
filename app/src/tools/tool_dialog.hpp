// What every tool dialog (terminal, graph display, meter address setting) tells the main window. A
// tool that takes over the converters' line (search, terminal, graph) asks for the converter pages to
// stop when it opens; the meter address setting works on the meters' line and leaves them running.
#pragma once

#include <QDialog>

class ToolDialog : public QDialog {
    Q_OBJECT
  public:
    using QDialog::QDialog;

  signals:
    // The converter pages stop (they must not talk on a line the tool uses).
    void stopPagesRequested();
    // A line for the message bar.
    void message(const QString& text);
};
