// TEV_IO: the desktop program. "--demo" runs it against simulated devices; "--screenshot FILE" (with
// --demo) searches the demo line, saves a picture of the window and quits.
#include <QApplication>
#include <QCommandLineParser>
#include <QFontDatabase>
#include <QMessageBox>
#include <cstdio>

#include "demo/demo.hpp"
#include "frame/main_frame.hpp"
#include "frame/screenshot.hpp"

namespace {

// Chinese text needs a font that has the glyphs; fontconfig finds it on a desktop, but the offscreen
// platform may fall back to a Latin-only font.
void PreferChineseFont(QApplication& app) {
    const QStringList families = QFontDatabase::families();
    for (const QString& wanted :
         {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")}) {
        if (families.contains(wanted)) {
            QFont font(wanted);
            font.setPointSize(app.font().pointSize() > 0 ? app.font().pointSize() : 9);
            app.setFont(font);
            return;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TEV_IO"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("demo"), QStringLiteral("Run against simulated devices on pseudo-terminals.")});
    parser.addOption({QStringLiteral("screenshot"),
                      QStringLiteral("With --demo: search, save the window, quit."), QStringLiteral("FILE")});
    parser.process(app);
    PreferChineseFont(app);

    // The demo line must be mapped before any port is opened.
    std::unique_ptr<DemoLine> demo;
    if (parser.isSet(QStringLiteral("demo"))) {
        QString error;
        demo = DemoLine::start(&error);
        if (!demo) {
            std::fprintf(stderr, "TEV_IO: the demo line could not start: %s\n", qPrintable(error));
            return 1;
        }
    }

    MainFrame frame;
    // The picture for the documentation shows the default layout, not this user's.
    if (!parser.isSet(QStringLiteral("screenshot")))
        frame.restoreLayout();
    if (demo) {
        frame.setStatusNote(QStringLiteral("演示模式: 模拟设备"));
        for (const QString& line : demo->describe())
            frame.postMessage(QStringLiteral("演示: ") + line);
    }
    frame.show();

    if (parser.isSet(QStringLiteral("screenshot"))) {
        if (!demo) {
            std::fprintf(stderr, "TEV_IO: --screenshot needs --demo\n");
            return 2;
        }
        const QString file = parser.value(QStringLiteral("screenshot"));
        const bool saved = SaveSearchScreenshot(frame, demo->converterRateBoxes(), file);
        std::fprintf(saved ? stdout : stderr, "TEV_IO: %s %s\n", saved ? "saved" : "could not save",
                     qPrintable(file));
        return saved ? 0 : 1;
    }
    return app.exec();
}
