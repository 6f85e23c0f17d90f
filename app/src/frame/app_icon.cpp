#include "app_icon.hpp"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

QImage AppIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/icons/TEV_IO.svg"));
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(AppIconImage(size)));
    return icon;
}
