// Start-up of the main window, the message line and the relays.
#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
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

#include "about_dialog.hpp"
#include "main_frame.hpp"
#include "message_bar.hpp"
#include "pages_bar.hpp"
#include "recording_notifier.hpp"
#include "tev/sim/line.hpp"
#include "tree_bar.hpp"

namespace {

tev::ConverterEntry Entry(const char* address) {
    tev::ConverterEntry e;
    e[tev::kFieldName] = "ZEDU-MODBUS模块";
    e[tev::kFieldShownAddress] = address;
    e[tev::kFieldBaud] = "9600";
    return e;
}

QTreeWidgetItem* Root(MainFrame& frame) {
    return frame.treeBar()->tree()->topLevelItem(0);
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
};

void MainFrameTest::startsWithCaptionSizeDocksAndFirstLine() {
    MainFrame frame;
    frame.show();
    QCOMPARE(frame.windowTitle(), QStringLiteral("VORNIX工具软件"));
    QCOMPARE(frame.size(), QSize(800, 600));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QTRY_VERIFY(qAbs(frame.frameGeometry().center().x() - screen.center().x()) <= 1);
    QTRY_VERIFY(qAbs(frame.frameGeometry().center().y() - screen.center().y()) <= 1);

    QCOMPARE(frame.treeDock()->windowTitle(), QStringLiteral("搜索转换模块"));
    QCOMPARE(frame.pagesDock()->windowTitle(), QStringLiteral("模块信息"));
    QCOMPARE(frame.messageDock()->windowTitle(), QStringLiteral("系统提示"));
    QCOMPARE(frame.dockWidgetArea(frame.treeDock()), Qt::LeftDockWidgetArea);
    QCOMPARE(frame.dockWidgetArea(frame.pagesDock()), Qt::LeftDockWidgetArea);
    QCOMPARE(frame.dockWidgetArea(frame.messageDock()), Qt::BottomDockWidgetArea);

    QListWidget* list = frame.messageBar()->list();
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
    QListWidget* list = frame.messageBar()->list();
    QTRY_COMPARE(list->count(), 1);
    frame.postMessage(QStringLiteral("abc"));
    QCOMPARE(list->count(), 1); // queued, not yet shown
    QCOMPARE(frame.shared().messageText, QStringLiteral("abc"));
    QTRY_COMPARE(list->count(), 2);
    QVERIFY(list->item(1)->text().endsWith(QStringLiteral("     abc")));
}

void MainFrameTest::everyRelayIsQueued() {
    // Each case: what a dialog or page tells the frame, and whether the bar has acted on it yet.
    struct Relay {
        const char* name;
        std::function<void(MainFrame&, MOD_item*)> send;
        std::function<bool(MainFrame&, MOD_item*)> arrived;
    };
    const Relay relays[] = {
        {"found converter", [](MainFrame& f, MOD_item*) { f.converterFound(Entry("0B")); },
         [](MainFrame& f, MOD_item*) { return Root(f)->childCount() == 2; }},
        {"node selected", [](MainFrame& f, MOD_item* item) { f.nodeSelected(999, item); },
         [](MainFrame& f, MOD_item*) { return f.pagesBar()->tabs()->count() == 2; }},
        {"search started", [](MainFrame& f, MOD_item*) { f.searchStarted(); },
         [](MainFrame& f, MOD_item*) { return Root(f)->childCount() == 0; }},
        {"stop pages", [](MainFrame& f, MOD_item*) { f.stopPages(); },
         [](MainFrame& f, MOD_item*) { return f.pagesBar()->stopped(); }},
        {"converter changed",
         [](MainFrame& f, MOD_item* item) {
             f.treeBar()->tree()->setCurrentItem(item->treeItem);
             item->entry[tev::kFieldShownAddress] = "7F";
             f.converterChanged();
         },
         [](MainFrame& f, MOD_item*) {
             return Root(f)->child(0)->text(0).contains(QStringLiteral("地址:7F"));
         }},
        {"message", [](MainFrame& f, MOD_item*) { f.postMessage(QStringLiteral("x")); },
         [](MainFrame& f, MOD_item*) { return f.messageBar()->list()->count() == 2; }},
    };
    for (const Relay& relay : relays) {
        MainFrame frame;
        frame.shared().foundFlag = 1;
        frame.converterFound(Entry("0A"));
        QTRY_VERIFY(Root(frame) && Root(frame)->childCount() == 1);
        QTRY_COMPARE(frame.messageBar()->list()->count(), 1);
        MOD_item* item = frame.group().items().front().get();
        relay.send(frame, item);
        QVERIFY2(!relay.arrived(frame, item), relay.name);
        QTRY_VERIFY2(relay.arrived(frame, item), relay.name);
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
    QCOMPARE(frame.searchAction()->text(), QStringLiteral("查询转换模块(&M)"));
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
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, profile.path());
    {
        MainFrame frame;
        QVERIFY(!frame.restoreLayout()); // nothing kept yet: the default layout stays
        QCOMPARE(frame.dockWidgetArea(frame.messageDock()), Qt::BottomDockWidgetArea);
        frame.show();
        frame.addDockWidget(Qt::RightDockWidgetArea, frame.messageDock());
        frame.close();
    }
    MainFrame next;
    QCOMPARE(next.dockWidgetArea(next.messageDock()), Qt::BottomDockWidgetArea); // not read unasked
    QVERIFY(next.restoreLayout());
    QCOMPARE(next.dockWidgetArea(next.messageDock()), Qt::RightDockWidgetArea);
    QCOMPARE(next.dockWidgetArea(next.treeDock()), Qt::LeftDockWidgetArea);
}

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
