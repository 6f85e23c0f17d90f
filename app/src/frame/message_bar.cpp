#include "message_bar.hpp"

#include <QListWidget>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

QString FormatMessageLine(const QDateTime& at, const QString& text) {
    const QString gap(5, QLatin1Char(' '));
    return QStringLiteral("  ◆ ") + at.toString(QStringLiteral("MM/dd/yy")) + gap +
           at.toString(QStringLiteral("HH:mm:ss")) + gap + text;
}

MessageBar::MessageBar(QWidget* parent, int maxLines) : QWidget(parent), m_maxLines(std::max(1, maxLines)) {
    auto* tabs = new QTabWidget(this);
    tabs->setTabPosition(QTabWidget::South);
    m_list = new QListWidget(tabs);
    m_list->setObjectName(QStringLiteral("messageList"));
    tabs->addTab(m_list, QStringLiteral("系统消息"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs);
}

void MessageBar::appendMessage(const QString& text) {
    while (m_list->count() >= m_maxLines)
        delete m_list->takeItem(0);
    m_list->addItem(FormatMessageLine(QDateTime::currentDateTime(), text));
    m_list->scrollToBottom();
}
