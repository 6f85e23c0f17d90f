// TEV_IO: the desktop program. "--demo" runs it against simulated devices; "--screenshot FILE" (with
// --demo) searches the demo line, saves a picture of the window and quits. "--help" and "--version"
// answer before the window system starts, so they work without a display.
#include <QApplication>
#include <QCommandLineParser>
#include <QFontDatabase>
#include <QMessageBox>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <fcntl.h>
#include <unistd.h>

#include "demo/demo.hpp"
#include "frame/main_frame.hpp"
#include "core/notifier.hpp"
#include "frame/screenshot.hpp"
#include "tev/link/serial_link.hpp"

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
    "Files: the user's settings are in $XDG_CONFIG_HOME/tev/ (~/.config/tev/): tev_module.ini (the\n"
    "search settings, made on the first save from the one beside the program, else from\n"
    "<prefix>/share/tev/tev_module.ini), type.txt (else <prefix>/share/tev/type.txt), the ports file\n"
    "and TEV_IO.conf (window layout, search options; moved from ~/.config/VORNIX/ once). The overview's\n"
    "CSV logs, draw1.bmp and meter lists go to $XDG_DATA_HOME/tev/ (~/.local/share/tev/).\n"
    "A portable copy (a build tree or an unpacked folder outside /usr holding a tev_module.ini that\n"
    "belongs to the running user and is writable) keeps tev_module.ini, type.txt and its output\n"
    "beside the program instead.\n"
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

// SIGTERM, SIGINT and SIGHUP end the event loop through a pipe, so the ports are closed as on a
// normal exit instead of being left to the kernel.
int g_stopPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int signal) {
    g_stopSignal = signal;
    const char byte = 1;
    (void)!::write(g_stopPipe[1], &byte, 1);
}

void StopOnSignals(QApplication& app) {
    if (::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_stopPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte = 0;
        while (::read(g_stopPipe[0], &byte, 1) > 0) {
        }
        app.quit();
    });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

// The command line, read before the window system starts (a wrong one needs no display); an exit
// code when the program ends here.
std::optional<int> ParseCommandLine(QCommandLineParser& parser, int argc, char** argv) {
    AddOptions(parser);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (parser.parse(arguments) && parser.positionalArguments().isEmpty())
        return std::nullopt;
    const QString error = parser.errorText().isEmpty()
                              ? QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first())
                              : parser.errorText();
    std::fprintf(stderr, "TEV_IO: %s\n%s", qPrintable(error), kUsage);
    return 2;
}

// Shows the window: the user's layout, or for a picture the default one and no message boxes (nobody
// is there to close them); the demo line is named in the status and message bars.
void ShowFrame(MainFrame& frame, const DemoLine* demo, bool screenshot) {
    if (!screenshot)
        frame.restoreLayout();
    else
        frame.setNotifier(std::make_unique<StderrNotifier>());
    if (demo) {
        frame.setStatusNote(QStringLiteral("演示模式: 模拟设备"));
        for (const QString& line : demo->describe())
            frame.postMessage(QStringLiteral("演示: ") + line);
    }
    frame.show();
}

// Saves the picture of --screenshot or --overview-screenshot; the exit code.
int SaveScreenshot(MainFrame& frame, DemoLine* demo, const QString& option, const QString& file) {
    if (!demo) {
        std::fprintf(stderr, "TEV_IO: --%s needs --demo\n", qPrintable(option));
        return 2;
    }
    const bool saved = option == QStringLiteral("screenshot")
                           ? SaveSearchScreenshot(frame, demo->converterRateBoxes(), file)
                           : SaveOverviewScreenshot(frame, demo->converterRateBoxes(), file);
    std::fprintf(saved ? stdout : stderr, "TEV_IO: %s %s\n", saved ? "saved" : "could not save", qPrintable(file));
    return saved ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (const int code = AnswerWithoutWindow(argc, argv); code >= 0)
        return code;
    QCommandLineParser parser;
    if (const auto code = ParseCommandLine(parser, argc, argv))
        return *code;
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
        if (!(demo = DemoLine::start(&error))) {
            std::fprintf(stderr, "TEV_IO: the demo line could not start: %s\n", qPrintable(error));
            return 1;
        }
    }
    MainFrame frame;
    ShowFrame(frame, demo.get(), parser.isSet(shotOption));
    if (parser.isSet(shotOption))
        return SaveScreenshot(frame, demo.get(), shotOption, parser.value(shotOption));
    StopOnSignals(app);
    const int code = app.exec();
    tev::link::CloseAllPorts(); // also ends exchanges still under way on the serial threads
    return g_stopSignal != 0 ? 128 + g_stopSignal : code;
}
