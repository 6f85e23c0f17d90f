#include "notifier.hpp"

#include <QMessageBox>
#include <cstdio>

void BoxNotifier::notify(QWidget* parent, const QString& caption, const QString& text, Icon icon) {
    const auto boxIcon = icon == Icon::Information ? QMessageBox::Information
                         : icon == Icon::Warning   ? QMessageBox::Warning
                                                   : QMessageBox::Critical;
    QMessageBox box(boxIcon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool BoxNotifier::confirm(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void StderrNotifier::notify(QWidget*, const QString& caption, const QString& text, Icon) {
    std::fprintf(stderr, "TEV_IO: %s: %s\n", qPrintable(caption),
                 qPrintable(QString(text).replace('\n', ' ')));
}
