#include "message_bar.hpp"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "tev/link/file_write.hpp"

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
    // Long lines (a port's failure with its device and reason) wrap instead of running off the edge.
    m_list->setWordWrap(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &MessageBar::showMenu);
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

QString MessageBar::text(bool selectedOnly) const {
    QStringList lines;
    for (int i = 0; i < m_list->count(); ++i)
        if (!selectedOnly || m_list->item(i)->isSelected())
            lines << m_list->item(i)->text();
    return lines.join(QLatin1Char('\n'));
}

void MessageBar::copy() const {
    const QString selected = text(true);
    QApplication::clipboard()->setText(selected.isEmpty() ? text(false) : selected);
}

bool MessageBar::saveTo(const QString& file, QString* why) const {
    const QByteArray bytes = (text(false) + QLatin1Char('\n')).toUtf8();
    const std::string failure =
        tev::link::WriteFileReplacing(file.toStdString(), std::string_view(bytes.constData(), bytes.size()));
    if (why)
        *why = QString::fromStdString(failure);
    return failure.empty();
}

void MessageBar::showMenu(const QPoint& at) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("复制"), this, &MessageBar::copy, QKeySequence::Copy);
    menu.addAction(QStringLiteral("全选"), m_list, &QListWidget::selectAll);
    menu.addAction(QStringLiteral("保存到文件..."), this, [this] {
        const QString file =
            QFileDialog::getSaveFileName(this, QStringLiteral("保存系统消息"), QStringLiteral("messages.txt"),
                                         QStringLiteral("文本文件 (*.txt)"));
        QString why;
        if (!file.isEmpty() && !saveTo(file, &why))
            appendMessage(why);
    });
    menu.exec(m_list->viewport()->mapToGlobal(at));
}
