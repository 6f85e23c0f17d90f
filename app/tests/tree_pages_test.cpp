// The module model, the tree bar and the pages bar as the frame drives them.
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

#include "main_frame.hpp"
#include "module_model.hpp"
#include "pages_bar.hpp"
#include "tree_bar.hpp"

namespace {

tev::ConverterEntry Entry(const char* address, const char* baud, const char* name = "ZEDU-MODBUS模块") {
    tev::ConverterEntry e;
    e[tev::kFieldPort] = "1";
    e[tev::kFieldName] = name;
    e[tev::kFieldShownAddress] = address;
    e[tev::kFieldModbusAddress] = address;
    e[tev::kFieldBaud] = baud;
    e[tev::kFieldConfiguration] = "0A36003C0110000100";
    return e;
}

QTreeWidgetItem* Root(MainFrame& frame) {
    return frame.treeBar()->tree()->topLevelItem(0);
}

QStringList TabTexts(const QTabWidget* tabs) {
    QStringList out;
    for (int i = 0; i < tabs->count(); ++i)
        out << tabs->tabText(i);
    return out;
}

} // namespace

class TreePagesTest : public QObject {
    Q_OBJECT
  private slots:
    void modelKeepsItemsNewestFirst();
    void foundConvertersBecomeLabelledNodes();
    void selectingTheRootBuildsNothing();
    void selectingAConverterBuildsBothPages();
    void withoutFoundFlagOnlyTheEmptyPageShows();
    void converterWithoutZeduGetsNoPages();
    void newSearchRemovesNodesAndHidesPages();
};

void TreePagesTest::modelKeepsItemsNewestFirst() {
    MOD_server server;
    MOD_group* g1 = server.addGroup();
    MOD_group* g2 = server.addGroup();
    QCOMPARE(server.groupCount(), std::size_t{2});
    QCOMPARE(server.groups().front().get(), g2);
    MOD_item* a = g1->addItem();
    MOD_item* b = g1->addItem();
    QCOMPARE(g1->items().front().get(), b);
    QCOMPARE(g1->items().back().get(), a);
    QCOMPARE(a->group(), g1);
    server.removeGroup(g2);
    QCOMPARE(server.groupCount(), std::size_t{1});
    QCOMPARE(server.groups().front().get(), g1);
}

void TreePagesTest::foundConvertersBecomeLabelledNodes() {
    MainFrame frame;
    QTRY_VERIFY(Root(frame) != nullptr);
    QCOMPARE(Root(frame)->text(0), QStringLiteral("上位计算机"));
    frame.converterFound(Entry("0A", "9600"));
    frame.converterFound(Entry("03", "19200"));
    QCOMPARE(frame.group().itemCount(), std::size_t{2});
    QCOMPARE(Root(frame)->childCount(), 0); // the tree hears of it once the frame has returned
    QTRY_COMPARE(Root(frame)->childCount(), 2);
    QCOMPARE(Root(frame)->child(0)->text(0), QStringLiteral("ZEDU-MODBUS模块 ( 地址:0A  波特率:9600 )"));
    QCOMPARE(Root(frame)->child(1)->text(0), QStringLiteral("ZEDU-MODBUS模块 ( 地址:03  波特率:19200 )"));
    QVERIFY(Root(frame)->isExpanded());
}

void TreePagesTest::selectingTheRootBuildsNothing() {
    MainFrame frame;
    QTRY_VERIFY(Root(frame) != nullptr);
    frame.shared().foundFlag = 1;
    frame.converterFound(Entry("0A", "9600"));
    QTRY_COMPARE(Root(frame)->childCount(), 1);
    QTreeWidget* tree = frame.treeBar()->tree();
    tree->setCurrentItem(Root(frame));
    QTest::qWait(50);
    QCOMPARE(frame.pagesBar()->tabs()->count(), 0);
    QVERIFY(Root(frame)->font(0).bold());

    // Pages already shown stay as they are when the root is selected again.
    tree->setCurrentItem(Root(frame)->child(0));
    QTRY_VERIFY(frame.pagesBar()->dataPage());
    const ConverterPage* page = frame.pagesBar()->dataPage();
    tree->setCurrentItem(Root(frame));
    QTest::qWait(50);
    QCOMPARE(frame.pagesBar()->dataPage(), page);
    QCOMPARE(frame.pagesBar()->tabs()->count(), 2);
    QCOMPARE(frame.shared().pagesRunning, 2);
    QVERIFY(!Root(frame)->child(0)->font(0).bold());
}

void TreePagesTest::selectingAConverterBuildsBothPages() {
    MainFrame frame;
    QTRY_VERIFY(Root(frame) != nullptr);
    frame.shared().foundFlag = 1;
    frame.converterFound(Entry("0A", "9600"));
    frame.converterFound(Entry("0B", "9600"));
    QTRY_COMPARE(Root(frame)->childCount(), 2);
    QTreeWidget* tree = frame.treeBar()->tree();
    tree->setCurrentItem(Root(frame)->child(0));
    PagesBar* pages = frame.pagesBar();
    QTRY_COMPARE(pages->tabs()->count(), 2);
    QCOMPARE(TabTexts(pages->tabs()), (QStringList{QStringLiteral("模块显示"), QStringLiteral("模块设置")}));
    QCOMPARE(frame.shared().currentConverter, Entry("0A", "9600"));
    QCOMPARE(frame.shared().pagesRunning, 2);
    QVERIFY(!pages->stopped());
    QVERIFY(Root(frame)->child(0)->font(0).bold());

    tree->setCurrentItem(Root(frame)->child(1));
    QTRY_COMPARE(frame.shared().currentConverter, Entry("0B", "9600"));
    QVERIFY(!Root(frame)->child(0)->font(0).bold());
    QVERIFY(Root(frame)->child(1)->font(0).bold());
    QCOMPARE(pages->tabs()->count(), 2);
}

void TreePagesTest::withoutFoundFlagOnlyTheEmptyPageShows() {
    MainFrame frame;
    QTRY_VERIFY(Root(frame) != nullptr);
    frame.converterFound(Entry("0A", "9600"));
    QTRY_COMPARE(Root(frame)->childCount(), 1);
    frame.treeBar()->tree()->setCurrentItem(Root(frame)->child(0));
    QTRY_COMPARE(frame.pagesBar()->tabs()->count(), 2);
    QVERIFY(!frame.pagesBar()->dataPage());
    QCOMPARE(frame.shared().pagesRunning, 0);
    QCOMPARE(frame.shared().currentConverter, tev::ConverterEntry{});
}

void TreePagesTest::converterWithoutZeduGetsNoPages() {
    MainFrame frame;
    QTRY_VERIFY(Root(frame) != nullptr);
    frame.shared().foundFlag = 1;
    frame.converterFound(Entry("0C", "4800", "OTHER"));
    QTRY_COMPARE(Root(frame)->childCount(), 1);
    frame.treeBar()->tree()->setCurrentItem(Root(frame)->child(0));
    QTRY_COMPARE(frame.shared().currentConverter, Entry("0C", "4800", "OTHER"));
    QCOMPARE(frame.pagesBar()->tabs()->count(), 0);
    QVERIFY(!frame.pagesBar()->dataPage());
}

void TreePagesTest::newSearchRemovesNodesAndHidesPages() {
    MainFrame frame;
    frame.show();
    QTRY_VERIFY(Root(frame) != nullptr);
    frame.shared().foundFlag = 1;
    frame.converterFound(Entry("0A", "9600"));
    QTRY_COMPARE(Root(frame)->childCount(), 1);
    frame.treeBar()->tree()->setCurrentItem(Root(frame)->child(0));
    QTRY_VERIFY(frame.pagesBar()->dataPage() && frame.pagesBar()->dataPage()->isVisible());
    MOD_item* item = frame.group().items().front().get();
    QVERIFY(item->treeItem);

    frame.stopPages();
    frame.searchStarted();
    QTRY_COMPARE(Root(frame)->childCount(), 0);
    QTRY_VERIFY(frame.pagesBar()->stopped());
    QVERIFY(!frame.pagesBar()->dataPage()->isVisible());
    QVERIFY(!frame.pagesBar()->settingsPage()->isVisible());
    QCOMPARE(frame.shared().pagesRunning, 0);
    QCOMPARE(frame.group().itemCount(), std::size_t{1}); // the item outlives its node
    QVERIFY(!item->treeItem);
}

QTEST_MAIN(TreePagesTest)
#include "tree_pages_test.moc"
