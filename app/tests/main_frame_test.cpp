// Start-up of the main window, the message line and the relays.
#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>
#include <memory>

#include "about_dialog.hpp"
#include "main_frame.hpp"
#include "message_bar.hpp"
#include "recording_notifier.hpp"
#include "tev/sim/line.hpp"

class MainFrameTest : public QObject {
    Q_OBJECT
  private slots:
    void startsWithCaptionSizeDocksAndFirstLine();
    void startsWithoutReadingTheFileOrOpeningAPort();
    void messageLineFormat();
    void relaysReachTheBarsAfterTheSenderReturns();
    void menusStatusBarAndAboutBox();
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

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
