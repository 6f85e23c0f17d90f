// TEV_IO: the desktop program. "--demo" runs it against simulated devices; "--screenshot FILE" (with
// --demo) searches the demo line, saves a picture of the window and quits. "--help" and "--version"
// answer before the window system starts, so they work without a display.
#include <QApplication>
#include <QCommandLineParser>
#include <QFontDatabase>
#include <QMessageBox>
#include <cstdio>
#include <cstring>

#include "demo/demo.hpp"
#include "frame/main_frame.hpp"
#include "frame/screenshot.hpp"

namespace {

const char kVersion[] = "TEV_IO " TEV_VERSION "\n";

const char kUsage[] =
    "usage: TEV_IO [--demo [--screenshot FILE] [--overview-screenshot FILE]] [--help] [--version]\n"
    "\n"
    "Commissioning and reading of M-Bus to Modbus RTU converters (VORNIX工具软件).\n"
    "\n"
    "  --demo             run against simulated converters, meters and modules on pseudo-terminals\n"
    "                     (COM1 converters, COM2 M-Bus meters, COM3 I/O modules, COM4 measuring module)\n"
    "  --screenshot FILE  with --demo: search the demo line, save the window as PNG, quit\n"
    "  --overview-screenshot FILE\n"
    "                     the same with the page 全部表数据 of the converter with the most meters\n"
    "  --help, --version  this text, the version\n"
    "\n"
    "Serial ports: COM<N> is the device named by the environment variable TEV_COM<N>\n"
    "(TEV_COM1=/dev/ttyUSB0), else by a line COM<N>=<device> of the ports file: $TEV_PORTS_FILE, else\n"
    "$XDG_CONFIG_HOME/tev/ports (~/.config/tev/ports), else /etc/tev/ports; else /dev/ttyS<N-1>.\n"
    "The window's \"串口映射\" writes the user's ports file.\n"
    "\n"
    "Files: a folder holding the program and a writable tev_module.ini (a build tree, a portable copy)\n"
    "keeps everything there. An installed program keeps the search settings in\n"
    "$XDG_CONFIG_HOME/tev/tev_module.ini (~/.config/tev/), made from <prefix>/share/tev/tev_module.ini\n"
    "on the first save, and reads type.txt from ~/.config/tev/, else <prefix>/share/tev/. Pictures and\n"
    "meter lists go beside the program when that folder is writable, else to ~/.local/share/tev/.\n"
    "\n"
    "TEV_TRACE=1 prints every frame sent and received on stderr.\n";

// Answers --help and --version without starting the window system. Returns the exit code, or -1
// when the program is to start.
int AnswerWithoutWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            std::fputs(kVersion, stdout);
            return 0;
        }
    }
    return -1;
}

// The program's options, and Qt's own (-platform, -style ...), which QApplication takes from the
// command line, so that they pass the check that runs before the window system starts.
void AddOptions(QCommandLineParser& parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(
        {QStringLiteral("demo"), QStringLiteral("Run against simulated devices on pseudo-terminals.")});
    parser.addOption({QStringLiteral("screenshot"),
                      QStringLiteral("With --demo: search, save the window, quit."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("overview-screenshot"),
                      QStringLiteral("With --demo: search, save the page 全部表数据, quit."),
                      QStringLiteral("FILE")});
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
          "qwindowtitle", "style", "stylesheet", "session", "display", "geometry"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

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
    if (const int code = AnswerWithoutWindow(argc, argv); code >= 0)
        return code;
    // A wrong command line is reported before the window system starts: it needs no display.
    QCommandLineParser parser;
    AddOptions(parser);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString error =
            parser.errorText().isEmpty()
                ? QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first())
                : parser.errorText();
        std::fprintf(stderr, "TEV_IO: %s\n%s", qPrintable(error), kUsage);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TEV_IO"));
    QApplication::setApplicationVersion(QStringLiteral(TEV_VERSION));
    const QString shotOption = parser.isSet(QStringLiteral("overview-screenshot"))
                                   ? QStringLiteral("overview-screenshot")
                                   : QStringLiteral("screenshot");
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
    if (!parser.isSet(shotOption))
        frame.restoreLayout();
    if (demo) {
        frame.setStatusNote(QStringLiteral("演示模式: 模拟设备"));
        for (const QString& line : demo->describe())
            frame.postMessage(QStringLiteral("演示: ") + line);
    }
    frame.show();

    if (parser.isSet(shotOption)) {
        if (!demo) {
            std::fprintf(stderr, "TEV_IO: --%s needs --demo\n", qPrintable(shotOption));
            return 2;
        }
        const QString file = parser.value(shotOption);
        const bool saved = shotOption == QStringLiteral("screenshot")
                               ? SaveSearchScreenshot(frame, demo->converterRateBoxes(), file)
                               : SaveOverviewScreenshot(frame, demo->converterRateBoxes(), file);
        std::fprintf(saved ? stdout : stderr, "TEV_IO: %s %s\n", saved ? "saved" : "could not save",
                     qPrintable(file));
        return saved ? 0 : 1;
    }
    return app.exec();
}
