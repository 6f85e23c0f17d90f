// The converter tree (model and bar) and the pages bar as the frame drives them.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include "frame/pages_bar.hpp"
#include "core/workspace.hpp"
#include "frame_lookup.hpp"
#include "recording_notifier.hpp"
#include "search/search_dialog.hpp"

namespace {

tev::link::Converter At(std::uint8_t address, std::uint32_t baud, const char* name = "ZEDU-MODBUS模块") {
    tev::link::Converter c;
    c.address = address;
    c.baud = baud;
    c.name = name;
    c.configText = "0A36003C0110000100";
    return c;
}

QStringList TabTexts(const QTabWidget* tabs) {
    QStringList out;
    for (int i = 0; i < tabs->count(); ++i)
        out << tabs->tabText(i);
    return out;
}

bool Bold(const QModelIndex& index) {
    return index.data(Qt::FontRole).value<QFont>().bold();
}

// A frame with the converters found by a search (so pages may be built).
struct Found {
    MainFrame frame;
    std::unique_ptr<SearchDialog> search;
    explicit Found(std::initializer_list<tev::link::Converter> converters) {
        frame.setNotifier(std::make_unique<RecordingNotifier>());
        search = frame.createSearchDialog();
        for (const auto& c : converters)
            emit search->converterFound(c);
    }
    ConverterPage* page(const char* name) { return frame.findChild<ConverterPage*>(QString::fromUtf8(name)); }
};

} // namespace

class TreePagesTest : public QObject {
    Q_OBJECT
  private slots:
    void modelPassesTheModelTesterThroughAddsClearsAndRelabels();
    void foundConvertersBecomeLabelledNodes();
    void selectingTheRootBuildsNothing();
    void selectingAConverterBuildsBothPages();
    void withoutAFoundConverterOnlyTheEmptyPageShows();
    void converterWithoutZeduGetsNoPages();
    void newSearchRemovesNodesAndStopsPages();
};

void TreePagesTest::modelPassesTheModelTesterThroughAddsClearsAndRelabels() {
    ConverterTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.rootIndex().data().toString(), QStringLiteral("上位计算机"));
    for (int round = 0; round < 3; ++round) { // searches one after the other: rows never pile up
        model.addConverter(At(0x0A, 9600));
        const QModelIndex second = model.addConverter(At(0x03, 19200));
        QCOMPARE(model.rowCount(model.rootIndex()), 2);
        QCOMPARE(second.data().toString(), QStringLiteral("ZEDU-MODBUS模块 ( 地址:03  波特率:19200 )"));
        model.setBoldRow(second);
        QVERIFY(Bold(second));
        model.setConverter(second, At(0x7F, 2400));
        QCOMPARE(second.data().toString(), QStringLiteral("ZEDU-MODBUS模块 ( 地址:7F  波特率:2400 )"));
        QCOMPARE(model.converterAt(second)->address, 0x7F);
        QVERIFY(!model.converterAt(model.rootIndex()));
        model.clearConverters();
        QCOMPARE(model.rowCount(model.rootIndex()), 0);
    }
}

void TreePagesTest::foundConvertersBecomeLabelledNodes() {
    Found f({At(0x0A, 9600), At(0x03, 19200)});
    QCOMPARE(TreeModel(f.frame).converterCount(), 0); // the tree hears of it once the frame has returned
    QTRY_COMPARE(TreeModel(f.frame).converterCount(), 2);
    QCOMPARE(ConverterNode(f.frame, 0).data().toString(),
             QStringLiteral("ZEDU-MODBUS模块 ( 地址:0A  波特率:9600 )"));
    QCOMPARE(ConverterNode(f.frame, 1).data().toString(),
             QStringLiteral("ZEDU-MODBUS模块 ( 地址:03  波特率:19200 )"));
    QVERIFY(Tree(f.frame)->isExpanded(TreeModel(f.frame).rootIndex()));
}

void TreePagesTest::selectingTheRootBuildsNothing() {
    Found f({At(0x0A, 9600)});
    QTRY_COMPARE(TreeModel(f.frame).converterCount(), 1);
    QTreeView* tree = Tree(f.frame);
    tree->setCurrentIndex(TreeModel(f.frame).rootIndex());
    QTest::qWait(50);
    QCOMPARE(PageTabs(f.frame)->count(), 0);
    QVERIFY(Bold(TreeModel(f.frame).rootIndex()));

    // Pages already shown stay as they are when the root is selected again.
    tree->setCurrentIndex(ConverterNode(f.frame, 0));
    QTRY_VERIFY(f.page("dataPage"));
    const ConverterPage* page = f.page("dataPage");
    tree->setCurrentIndex(TreeModel(f.frame).rootIndex());
    QTest::qWait(50);
    QCOMPARE(f.page("dataPage"), page);
    QCOMPARE(PageTabs(f.frame)->count(), 3);
    QVERIFY(f.frame.workspace().pagesRunning());
    QVERIFY(!Bold(ConverterNode(f.frame, 0)));
}

void TreePagesTest::selectingAConverterBuildsBothPages() {
    Found f({At(0x0A, 9600), At(0x0B, 9600)});
    QTRY_COMPARE(TreeModel(f.frame).converterCount(), 2);
    Tree(f.frame)->setCurrentIndex(ConverterNode(f.frame, 0));
    QTRY_COMPARE(PageTabs(f.frame)->count(), 3);
    QCOMPARE(TabTexts(PageTabs(f.frame)),
             (QStringList{QStringLiteral("模块显示"), QStringLiteral("模块设置"), QStringLiteral("全部表数据")}));
    QCOMPARE(f.frame.workspace().currentConverter(), At(0x0A, 9600));
    QVERIFY(f.frame.workspace().pagesRunning());
    QVERIFY(!f.frame.pagesBar().stopped());
    QVERIFY(Bold(ConverterNode(f.frame, 0)));

    Tree(f.frame)->setCurrentIndex(ConverterNode(f.frame, 1));
    QTRY_COMPARE(f.frame.workspace().currentConverter(), At(0x0B, 9600));
    QVERIFY(!Bold(ConverterNode(f.frame, 0)));
    QVERIFY(Bold(ConverterNode(f.frame, 1)));
    QCOMPARE(PageTabs(f.frame)->count(), 3);
}

void TreePagesTest::withoutAFoundConverterOnlyTheEmptyPageShows() {
    Found f({At(0x0A, 9600)});
    QTRY_COMPARE(TreeModel(f.frame).converterCount(), 1);
    f.frame.workspace().setFound(false);
    Tree(f.frame)->setCurrentIndex(ConverterNode(f.frame, 0));
    QTRY_COMPARE(PageTabs(f.frame)->count(), 2);
    QVERIFY(!f.page("dataPage"));
    QVERIFY(!f.frame.workspace().pagesRunning());
    QCOMPARE(f.frame.workspace().currentConverter(), tev::link::Converter{});
}

void TreePagesTest::converterWithoutZeduGetsNoPages() {
    Found f({At(0x0C, 4800, "OTHER")});
    QTRY_COMPARE(TreeModel(f.frame).converterCount(), 1);
    Tree(f.frame)->setCurrentIndex(ConverterNode(f.frame, 0));
    QTRY_COMPARE(f.frame.workspace().currentConverter(), At(0x0C, 4800, "OTHER"));
    QCOMPARE(PageTabs(f.frame)->count(), 0);
    QVERIFY(!f.page("dataPage"));
}

void TreePagesTest::newSearchRemovesNodesAndStopsPages() {
    Found f({At(0x0A, 9600)});
    f.frame.show();
    QTRY_COMPARE(TreeModel(f.frame).converterCount(), 1);
    Tree(f.frame)->setCurrentIndex(ConverterNode(f.frame, 0));
    QTRY_VERIFY(f.page("dataPage") && f.page("dataPage")->isVisible());

    emit f.search->searchStarted(0);
    QVERIFY(!f.frame.workspace().found());
    QTRY_COMPARE(TreeModel(f.frame).converterCount(), 0);
    QTRY_VERIFY(f.frame.pagesBar().stopped());
    QVERIFY(!f.page("dataPage")->isVisible());
    QVERIFY(!f.page("settingsPage")->isVisible());
    QVERIFY(!f.frame.workspace().pagesRunning());
    // The pages keep their own copy of the converter: they outlive its node.
    QCOMPARE(f.frame.workspace().currentConverter().address, 0x0A);
}

QTEST_MAIN(TreePagesTest)
#include "tree_pages_test.moc"
