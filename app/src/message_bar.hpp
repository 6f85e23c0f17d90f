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
    explicit MessageBar(QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }

  public slots:
    // Appends one line stamped with the current local time; lines are never removed.
    void appendMessage(const QString& text);

  private:
    QListWidget* m_list = nullptr;
};
