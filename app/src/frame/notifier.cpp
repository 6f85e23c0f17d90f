#include "notifier.hpp"

#include <QMessageBox>

void BoxNotifier::notify(QWidget* parent, const QString& caption, const QString& text, Icon icon) {
    const auto boxIcon = icon == Icon::Information ? QMessageBox::Information
                         : icon == Icon::Warning   ? QMessageBox::Warning
                                                   : QMessageBox::Critical;
    QMessageBox box(boxIcon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}
