// The program's icon (window, about box, desktop entry), drawn from its SVG.
#pragma once

#include <QIcon>
#include <QImage>

// The icon at the usual sizes.
QIcon AppIcon();
// The icon as an image of size x size pixels.
QImage AppIconImage(int size);
