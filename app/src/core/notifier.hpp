// Message boxes go through this interface, so tests read the texts instead of blocking on a box.
#pragma once

#include <QString>

class QWidget;

class Notifier {
  public:
    enum class Icon { Information, Warning, Critical };
    virtual ~Notifier() = default;
    // Shows a modal box with one OK button.
    virtual void notify(QWidget* parent, const QString& caption, const QString& text, Icon icon) = 0;
    // Asks a yes/no question (no is the default button); true for yes.
    virtual bool confirm(QWidget* parent, const QString& caption, const QString& text) = 0;
};

class BoxNotifier final : public Notifier {
  public:
    void notify(QWidget* parent, const QString& caption, const QString& text, Icon icon) override;
    bool confirm(QWidget* parent, const QString& caption, const QString& text) override;
};

// For runs nobody watches (the screenshots): the text goes to the standard error output, so a box
// never waits for a click.
class StderrNotifier final : public Notifier {
  public:
    void notify(QWidget* parent, const QString& caption, const QString& text, Icon icon) override;
    // Nobody can answer: no.
    bool confirm(QWidget*, const QString&, const QString&) override { return false; }
};
