// Writes the program's icon as PNG files for the hicolor theme: <dir>/<n>x<n>/apps/TEV_IO.png.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "frame/app_icon.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(folder) || !AppIconImage(size).save(folder + QStringLiteral("/TEV_IO.png"), "PNG")) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
