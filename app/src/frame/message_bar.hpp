// The message bar "系统提示": one tab "系统消息" with a list of time-stamped lines.
#pragma once

#include <QDateTime>
#include <QWidget>

class QListWidget;

// "  ◆ " + MM/dd/yy + five blanks + HH:mm:ss + five blanks + text.
QString FormatMessageLine(const QDateTime& at, const QString& text);

class MessageBar final : public QWidget {
    Q_OBJECT
  public:
    // Lines kept; beyond it the oldest line goes, so a long run cannot fill the memory.
    static constexpr int kMaxLines = 10000;

    explicit MessageBar(QWidget* parent = nullptr, int maxLines = kMaxLines);

    QListWidget* list() const { return m_list; }

    // The lines, one per line of text (only the selected ones when asked).
    QString text(bool selectedOnly = false) const;
    // Writes every line to a text file (UTF-8), replacing it whole; false when it cannot be
    // written, with the reason and the path in `why`.
    bool saveTo(const QString& file, QString* why = nullptr) const;

  public slots:
    // Appends one line stamped with the current local time at the end of the list.
    void appendMessage(const QString& text);
    // Copies the selected lines, or all of them, to the clipboard.
    void copy() const;

  private:
    void showMenu(const QPoint& at);

    QListWidget* m_list = nullptr;
    int m_maxLines = kMaxLines;
};
