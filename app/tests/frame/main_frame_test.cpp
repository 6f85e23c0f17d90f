// Start-up of the main window, the message line and the relays.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <cstdlib>
#include <functional>
#include <memory>

#include "core/serial_worker.hpp"
#include "core/workspace.hpp"
#include "file_size_limit.hpp"
#include "frame/about_dialog.hpp"
#include "frame/message_bar.hpp"
#include "frame/pages_bar.hpp"
#include "frame/port_map_dialog.hpp"
#include "frame_lookup.hpp"
#include "recording_notifier.hpp"
#include "search/search_dialog.hpp"
#include "tev/sim/line.hpp"
#include "tools/tool_dialog.hpp"
#include <tev/uart.h>

namespace {

tev::link::Converter At(std::uint8_t address) {
    tev::link::Converter c;
    c.address = address;
    return c;
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
  private slots:
    void startsWithCaptionSizeDocksAndFirstLine();
    void startsWithoutReadingTheFileOrOpeningAPort();
    void messageLineFormat();
    void relaysReachTheBarsAfterTheSenderReturns();
    void everyRelayIsQueued();
    void messageListDropsItsOldestLinesBeyondItsLimit();
    void menusStatusBarAndAboutBox();
    void barLayoutIsKeptFromCloseToNextStart();
    void closedBarsComeBackFromTheViewMenu();
    void messagesCanBeSavedToAFile();
    void portMapDialogWritesWhatUartReads();
};

void MainFrameTest::startsWithCaptionSizeDocksAndFirstLine() {
    MainFrame frame;
    frame.show();
    QCOMPARE(frame.windowTitle(), QStringLiteral("VORNIX工具软件"));
    QCOMPARE(frame.size(), QSize(800, 600));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QTRY_VERIFY(qAbs(frame.frameGeometry().center().x() - screen.center().x()) <= 1);
    QTRY_VERIFY(qAbs(frame.frameGeometry().center().y() - screen.center().y()) <= 1);

    const struct {
        const char* title;
        Qt::DockWidgetArea area;
    } docks[] = {{"搜索转换模块", Qt::LeftDockWidgetArea},
                 {"模块信息", Qt::LeftDockWidgetArea},
                 {"系统提示", Qt::BottomDockWidgetArea}};
    for (const auto& d : docks) {
        QDockWidget* dock = Dock(frame, QString::fromUtf8(d.title));
        QVERIFY2(dock, d.title);
        QCOMPARE(dock->windowTitle(), QString::fromUtf8(d.title));
        QCOMPARE(frame.dockWidgetArea(dock), d.area);
    }

    QListWidget* list = Messages(frame);
    QTRY_COMPARE(list->count(), 1);
    QVERIFY(list->item(0)->text().endsWith(QStringLiteral("222222222")));
    QVERIFY(list->item(0)->text().startsWith(QStringLiteral("  ◆ ")));
}

void MainFrameTest::startsWithoutReadingTheFileOrOpeningAPort() {
    tev::sim::Line line;
    line.start();
    for (int port = 1; port <= 16; ++port)
        qputenv(qPrintable(QStringLiteral("TEV_COM%1").arg(port)), line.path().c_str());
    QTemporaryDir dir;
    // A directory where the file should be: reading it would give a message box.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("tev_module.ini")));
    auto notifier = std::make_unique<RecordingNotifier>();
    auto shown = notifier->m_shown;
    {
        MainFrame frame;
        frame.setNotifier(std::move(notifier));
        frame.setProgramFolder(dir.path());
        frame.show();
        QTest::qWait(200);
        // No descriptor of this process points at the line.
        const QDir fds(QStringLiteral("/proc/self/fd"));
        for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files))
            QVERIFY(QFile::symLinkTarget(fds.filePath(fd)) != QString::fromStdString(line.path()));
    }
    QVERIFY(shown->empty());
    QCOMPARE(line.options().framesHeard.load(), 0u);
    line.stop();
}

void MainFrameTest::messageLineFormat() {
    const QDateTime at(QDate(2024, 3, 5), QTime(7, 8, 9));
    QCOMPARE(FormatMessageLine(at, QStringLiteral("搜索到3个模块")),
             QStringLiteral("  ◆ 03/05/24     07:08:09     搜索到3个模块"));
    QCOMPARE(FormatMessageLine(QDateTime(QDate(2031, 12, 31), QTime(23, 59, 0)), QString()),
             QStringLiteral("  ◆ 12/31/31     23:59:00     "));
}

void MainFrameTest::relaysReachTheBarsAfterTheSenderReturns() {
    MainFrame frame;
    QListWidget* list = Messages(frame);
    QTRY_COMPARE(list->count(), 1);
    frame.postMessage(QStringLiteral("abc"));
    QCOMPARE(list->count(), 1); // queued, not yet shown
    QTRY_COMPARE(list->count(), 2);
    QVERIFY(list->item(1)->text().endsWith(QStringLiteral("     abc")));
}

namespace {

// Each case: what a dialog, page or tool tells the frame, and whether the bar has acted on it yet.
struct Windows {
    SearchDialog& search;
    ToolDialog& tool;
};
struct Relay {
    const char* name;
    std::function<void(MainFrame&, Windows&)> send;
    std::function<bool(MainFrame&)> arrived;
};
std::vector<Relay> Relays() {
    return {
        {"found converter", [](MainFrame&, Windows& w) { emit w.search.converterFound(At(0x0B)); },
         [](MainFrame& f) { return TreeModel(f).converterCount() == 2; }},
        {"node selected", [](MainFrame& f, Windows&) { Tree(f)->setCurrentIndex(ConverterNode(f, 0)); },
         [](MainFrame& f) { return PageTabs(f)->count() == 3; }},
        {"search started", [](MainFrame&, Windows& w) { emit w.search.searchStarted(1); },
         [](MainFrame& f) { return TreeModel(f).converterCount() == 0; }},
        {"tool stops pages", [](MainFrame&, Windows& w) { emit w.tool.stopPagesRequested(); },
         [](MainFrame& f) { return f.pagesBar().stopped(); }},
        {"converter changed",
         [](MainFrame& f, Windows&) {
             Tree(f)->setCurrentIndex(ConverterNode(f, 0));
             emit f.pagesBar().converterChanged(At(0x7F));
         },
         [](MainFrame& f) {
             return ConverterNode(f, 0).data().toString().contains(QStringLiteral("地址:7F"));
         }},
        {"message", [](MainFrame&, Windows& w) { emit w.search.message(QStringLiteral("x")); },
         [](MainFrame& f) { return Messages(f)->count() == 2; }},
        {"tool message", [](MainFrame&, Windows& w) { emit w.tool.message(QStringLiteral("y")); },
         [](MainFrame& f) { return Messages(f)->count() == 2; }},
    };
}

} // namespace

void MainFrameTest::everyRelayIsQueued() {
    for (const Relay& relay : Relays()) {
        MainFrame frame;
        frame.setNotifier(std::make_unique<RecordingNotifier>());
        auto search = frame.createSearchDialog();
        ToolDialog tool(ToolDialog::LineUse::Taken);
        frame.connectTool(&tool);
        Windows windows{*search, tool};
        emit search->converterFound(At(0x0A));
        QTRY_COMPARE(TreeModel(frame).converterCount(), 1);
        QTRY_COMPARE(Messages(frame)->count(), 1);
        relay.send(frame, windows);
        QVERIFY2(!relay.arrived(frame), relay.name);
        QTRY_VERIFY2(relay.arrived(frame), relay.name);
    }
}

void MainFrameTest::messageListDropsItsOldestLinesBeyondItsLimit() {
    MessageBar bar(nullptr, 3);
    for (int i = 1; i <= 5; ++i)
        bar.appendMessage(QString::number(i));
    QCOMPARE(bar.list()->count(), 3);
    QVERIFY(bar.list()->item(0)->text().endsWith(QStringLiteral("     3")));
    QVERIFY(bar.list()->item(2)->text().endsWith(QStringLiteral("     5")));
    QVERIFY(MessageBar::kMaxLines >= 1000);
}

void MainFrameTest::menusStatusBarAndAboutBox() {
    MainFrame frame;
    frame.show();
    QStringList menus;
    for (QAction* a : frame.menuBar()->actions())
        menus << a->text();
    QVERIFY(menus.contains(QStringLiteral("查询(&Q)")));
    QVERIFY(menus.contains(QStringLiteral("查看(&V)")));
    QCOMPARE(frame.findChild<QAction*>(QStringLiteral("searchAction"))->text(),
             QStringLiteral("查询转换模块(&M)"));
    QStringList indicators;
    for (QLabel* label : frame.statusBar()->findChildren<QLabel*>())
        indicators << label->text();
    for (const QString& key : {QStringLiteral("大写"), QStringLiteral("数字"), QStringLiteral("滚动")})
        QVERIFY2(indicators.contains(key), qPrintable(key));

    QAction* statusAction = nullptr;
    for (QAction* a : frame.findChildren<QAction*>())
        if (a->text() == QStringLiteral("状态栏(&S)"))
            statusAction = a;
    QVERIFY(statusAction);
    statusAction->trigger();
    QVERIFY(frame.statusBar()->isHidden());
    statusAction->trigger();
    QVERIFY(!frame.statusBar()->isHidden());

    AboutDialog about(&frame);
    QCOMPARE(about.windowTitle(), QStringLiteral("关于 TEV_IO"));
    QStringList texts;
    for (QLabel* label : about.findChildren<QLabel*>())
        texts << label->text();
    QVERIFY(texts.contains(QStringLiteral("TEV_IO 1.0 版")));
}

void MainFrameTest::barLayoutIsKeptFromCloseToNextStart() {
    QTemporaryDir profile;
    qputenv("XDG_CONFIG_HOME", profile.path().toLocal8Bit());
    {
        MainFrame frame;
        QVERIFY(!frame.restoreLayout()); // nothing kept yet: the default layout stays
        QDockWidget* messages = Dock(frame, QStringLiteral("系统提示"));
        QCOMPARE(frame.dockWidgetArea(messages), Qt::BottomDockWidgetArea);
        frame.show();
        frame.addDockWidget(Qt::RightDockWidgetArea, messages);
        frame.close();
    }
    MainFrame next;
    QDockWidget* messages = Dock(next, QStringLiteral("系统提示"));
    QCOMPARE(next.dockWidgetArea(messages), Qt::BottomDockWidgetArea); // not read unasked
    QVERIFY(next.restoreLayout());
    QCOMPARE(next.dockWidgetArea(messages), Qt::RightDockWidgetArea);
    QCOMPARE(next.dockWidgetArea(Dock(next, QStringLiteral("搜索转换模块"))), Qt::LeftDockWidgetArea);
    QCOMPARE(next.size(), QSize(800, 600));
    QVERIFY(QFileInfo::exists(profile.filePath(QStringLiteral("tev/TEV_IO.conf"))));
    qunsetenv("XDG_CONFIG_HOME");
    next.show();
    next.resize(900, 700);
    next.close();
    MainFrame third;
    QVERIFY(third.restoreLayout());
    third.show();
    QCOMPARE(third.size(), QSize(900, 700)); // the size is kept, not reset to the first start's
}

void MainFrameTest::closedBarsComeBackFromTheViewMenu() {
    MainFrame frame;
    frame.show();
    for (const char* title : {"搜索转换模块", "模块信息", "系统提示"}) {
        QDockWidget* dock = Dock(frame, QString::fromUtf8(title));
        dock->close();
        QVERIFY(dock->isHidden());
        QAction* toggle = nullptr;
        for (QAction* a : frame.findChild<QMenu*>(QStringLiteral("viewMenu"))->actions())
            if (a->text() == QString::fromUtf8(title))
                toggle = a;
        QVERIFY2(toggle, title);
        toggle->trigger();
        QVERIFY2(!dock->isHidden(), title);
    }
}

void MainFrameTest::messagesCanBeSavedToAFile() {
    MainFrame frame;
    frame.postMessage(QStringLiteral("COM6 (/dev/x): 串口设备不存在"));
    QTRY_COMPARE(Messages(frame)->count(), 2);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("messages.txt"));
    QVERIFY(frame.findChild<MessageBar*>()->saveTo(file));
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(saved.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[1].endsWith(QStringLiteral("串口设备不存在")));
    QVERIFY(!frame.findChild<MessageBar*>()->saveTo(dir.filePath(QStringLiteral("no/such/folder/m.txt"))));
    QString why;
    {
        const FileSizeLimit full(10);
        QVERIFY(!frame.findChild<MessageBar*>()->saveTo(file, &why));
    }
    QVERIFY2(why.contains(file) && why.contains(QStringLiteral("文件太大")), qPrintable(why));
    QFile old(file);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll().count('\n'), 2); // the old file
}

void MainFrameTest::portMapDialogWritesWhatUartReads() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("tev/ports"));
    qputenv("TEV_PORTS_FILE", file.toLocal8Bit());
    qunsetenv("TEV_COM9");
    qunsetenv("TEV_COM2"); // an earlier test's mapping would win over the file
    RecordingNotifier notifier;
    PortMapDialog dialog(notifier, file.toStdString());
    dialog.findChild<QComboBox*>(QStringLiteral("COM9"))->setEditText(QStringLiteral("/dev/pts/77"));
    // A device that is not there (a stopped program's pseudo-terminal) is marked, an empty port not.
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("COM9Note"))->text(), QStringLiteral("设备不存在"));
    QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("COM8Note"))->text().isEmpty());
    dialog.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(notifier.m_shown->empty());
    char device[64] = {};
    UartPortDevice(9, device, sizeof device);
    QCOMPARE(QString::fromUtf8(device), QStringLiteral("/dev/pts/77"));
    // Opening again shows the mapping.
    PortMapDialog again(notifier, file.toStdString());
    QCOMPARE(again.findChild<QComboBox*>(QStringLiteral("COM9"))->currentText(),
             QStringLiteral("/dev/pts/77"));
    // A gateway address is taken; a broken one is marked as typed and not saved.
    auto* com2 = again.findChild<QComboBox*>(QStringLiteral("COM2"));
    com2->setEditText(QStringLiteral("tcp://127.0.0.1"));
    QVERIFY(again.findChild<QLabel*>(QStringLiteral("problemLabel"))
                ->text()
                .startsWith(QStringLiteral("COM2: ")));
    again.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
    QCOMPARE(notifier.m_shown->size(), std::size_t{1});
    com2->setEditText(QStringLiteral("tcp://127.0.0.1:4001"));
    QVERIFY(again.findChild<QLabel*>(QStringLiteral("problemLabel"))->text().isEmpty());
    again.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
    QCOMPARE(again.result(), int(QDialog::Accepted));
    UartPortDevice(2, device, sizeof device);
    QCOMPARE(QString::fromUtf8(device), QStringLiteral("tcp://127.0.0.1:4001"));
    qunsetenv("TEV_PORTS_FILE");
}

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
