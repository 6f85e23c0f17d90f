#include "wait_notice.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

WaitNotice::WaitNotice(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("waitNotice"));
    setWindowTitle(QStringLiteral("提示"));
    m_seconds = new QLabel(QString::number(m_left), this);
    m_seconds->setObjectName(QStringLiteral("waitSeconds"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("waitProgress"));
    m_progress->setRange(0, kSeconds);
    m_progress->setValue(0);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("waitOk"));
    m_ok->setEnabled(false);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QHBoxLayout;
    text->addWidget(new QLabel(QStringLiteral("请等待"), this));
    text->addWidget(m_seconds);
    text->addWidget(new QLabel(QStringLiteral("秒,然后重新搜索"), this));
    text->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(text);
    layout->addWidget(m_progress);
    layout->addWidget(m_ok, 0, Qt::AlignRight);

    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &WaitNotice::step);
    m_timer.start();
}

void WaitNotice::step() {
    m_left = std::max(0, m_left - 1);
    m_seconds->setText(QString::number(m_left));
    m_progress->setValue(kSeconds - m_left);
    if (m_left == 0) {
        m_timer.stop();
        m_ok->setEnabled(true);
    }
}
