// The search dialog: its settings file, and searches against simulated converters on a pseudo-terminal.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "demo.hpp"
#include "main_frame.hpp"
#include "message_bar.hpp"
#include "recording_notifier.hpp"
#include "search_dialog.hpp"
#include "serial_worker.hpp"
#include "tev/link/settings_file.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"
#include "tree_bar.hpp"

using tev::link::SearchSettings;

namespace {

constexpr int kPort = 5; // COM5 is mapped to the test's line

std::shared_ptr<tev::sim::Converter> Converter(std::uint8_t address, std::uint8_t baudCode,
                                               std::uint8_t parity) {
    tev::sim::ConverterConfig c;
    c.address = address;
    c.baudCode = baudCode;
    c.parity = parity;
    c.meterType = 0x10;
    c.meterCount = 2;
    return std::make_shared<tev::sim::Converter>(c, tev::sim::sampleMeters(2, 5000));
}

// The test line's port with the given rate boxes ticked (indices of 1200 ... 115200).
SearchSettings OnTestLine(std::initializer_list<std::size_t> boxes, int timeoutIndex = 0) {
    SearchSettings s;
    s.portIndex = kPort - 1;
    for (auto box : boxes)
        s.rates[box] = true;
    s.timeoutIndex = timeoutIndex;
    return s;
}

} // namespace

class SearchDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void settingsRoundTripThroughTheControls();
    void shortFileLeavesTheRestAtZero();
    void missingFileGivesBothTextsAndCreatesNothing();
    void directoryInPlaceOfTheFileIsLeftAlone();
    void noRateTickedRefusesToStart();
    void searchFindsConvertersAtTheirRates();
    void badCrcIsNotListed();
    void stopThenSearchStartsAgainFromAddressOne();
    void windowKeepsRunningDuringProbes();
    void closingTheDialogOrWindowMidProbeIsSafe();
    void portThatCannotOpenSaysWhyInTheMessageBar();
    void demoLineIsFound();

  private:
    std::unique_ptr<SearchDialog> openDialog(const SearchSettings& settings);
    void runToEnd(SearchDialog& dialog);
    QString iniPath() const { return m_dir->filePath(QStringLiteral("tev_module.ini")); }
    QString lastMessage() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<tev::sim::Line> m_line;
    std::unique_ptr<MainFrame> m_frame;
    std::shared_ptr<std::vector<RecordingNotifier::Shown>> m_shown;
};

void SearchDialogTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_line = std::make_unique<tev::sim::Line>();
    // 0x0A runs odd parity on its Modbus side, which a pseudo-terminal cannot carry: it answers the
    // even-parity search anyway. Address 3 answers at 9600 and at 19200.
    m_line->add(Converter(0x0A, 0x36, 2));
    m_line->add(Converter(0x03, 0x36, 1));
    m_line->add(Converter(0x03, 0x37, 1));
    m_line->start();
    qputenv("TEV_COM5", m_line->path().c_str());
    m_frame = std::make_unique<MainFrame>();
    auto notifier = std::make_unique<RecordingNotifier>();
    m_shown = notifier->m_shown;
    m_frame->setNotifier(std::move(notifier));
    m_frame->setProgramFolder(m_dir->path());
    m_frame->show();
}

void SearchDialogTest::cleanup() {
    m_frame.reset();
    m_line->stop();
    m_line.reset();
    m_dir.reset();
}

std::unique_ptr<SearchDialog> SearchDialogTest::openDialog(const SearchSettings& settings) {
    if (!QFile::exists(iniPath()))
        tev::link::WriteNewSettingsFile(iniPath().toStdString(), settings);
    auto dialog = m_frame->createSearchDialog();
    dialog->search().setPauseMs(5);
    dialog->search().setLastAddress(12);
    dialog->show();
    return dialog;
}

QString SearchDialogTest::lastMessage() const {
    const QListWidget* messages = m_frame->messageBar()->list();
    return messages->count() > 0 ? messages->item(messages->count() - 1)->text() : QString();
}

void SearchDialogTest::runToEnd(SearchDialog& dialog) {
    QSignalSpy stopped(&dialog, &SearchDialog::searchStopped);
    dialog.searchButton()->click();
    QVERIFY(dialog.stopButton()->isEnabled());
    QVERIFY(!dialog.searchButton()->isEnabled() && !dialog.saveButton()->isEnabled() &&
            !dialog.cancelButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(stopped.count() >= 2, 20000); // the start's own stop, then the end
}

void SearchDialogTest::settingsRoundTripThroughTheControls() {
    const SearchSettings cases[] = {
        {15, {true, false, false, true, false, false, true, true}, 4, 2, 6, 1, 2},
        {0, {false, false, false, false, true, false, false, false}, 5, 0, 0, 2, 0},
        {9, {true, true, true, true, true, true, true, true}, 6, 1, 3, 0, 1},
    };
    for (const SearchSettings& s : cases) {
        QFile::remove(iniPath());
        tev::link::WriteNewSettingsFile(iniPath().toStdString(), {});
        auto dialog = openDialog({});
        dialog->applySettings(s);
        dialog->saveButton()->click();
        auto reopened = openDialog({});
        QCOMPARE(reopened->currentSettings(), s);
        QCOMPARE(reopened->portList()->currentText(), QStringLiteral("COM%1").arg(s.portIndex + 1));
        QCOMPARE(reopened->timeoutList()->currentIndex(), s.timeoutIndex);
        QCOMPARE(reopened->parityList()->currentIndex(), s.parityIndex);
        for (std::size_t i = 0; i < 8; ++i)
            QCOMPARE(reopened->rateBox(i)->isChecked(), s.rates[i]);
    }
    QVERIFY(m_shown->empty());
}

void SearchDialogTest::shortFileLeavesTheRestAtZero() {
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("COMX=0B;\r\nBRAUTE=01");
    file.close();
    auto dialog = openDialog({});
    QCOMPARE(dialog->portList()->currentText(), QStringLiteral("COM12"));
    QVERIFY(!dialog->rateBox(0)->isChecked());
    QVERIFY(dialog->rateBox(1)->isChecked());
    for (std::size_t i = 2; i < 8; ++i)
        QVERIFY(!dialog->rateBox(i)->isChecked());
    QCOMPARE(dialog->timeoutList()->currentText(), QStringLiteral("100ms"));
    QCOMPARE(dialog->parityList()->currentText(), QStringLiteral("无校验"));
}

void SearchDialogTest::missingFileGivesBothTextsAndCreatesNothing() {
    auto dialog = m_frame->createSearchDialog();
    QCOMPARE(m_shown->size(), std::size_t{1});
    QCOMPARE(m_shown->at(0).caption, QStringLiteral("INFO"));
    QCOMPARE(m_shown->at(0).text, QStringLiteral("Tev_module.ini File Error!"));
    QCOMPARE(dialog->portList()->currentIndex(), 0);
    dialog->saveButton()->click();
    QCOMPARE(m_shown->size(), std::size_t{2});
    QCOMPARE(m_shown->at(1).text, QStringLiteral("tev_module.ini File Error!"));
    QVERIFY(!QFile::exists(iniPath()));
    QVERIFY(dialog->searchButton()->isEnabled()); // still usable
}

void SearchDialogTest::directoryInPlaceOfTheFileIsLeftAlone() {
    // Tests may run as root, which writes through read-only permissions: a directory cannot be written.
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("tev_module.ini")));
    auto dialog = m_frame->createSearchDialog();
    dialog->rateBox(3)->setChecked(true);
    dialog->saveButton()->click();
    QCOMPARE(m_shown->size(), std::size_t{2});
    QCOMPARE(m_shown->at(0).text, QStringLiteral("Tev_module.ini File Error!"));
    QCOMPARE(m_shown->at(1).text, QStringLiteral("tev_module.ini File Error!"));
    QVERIFY(QDir(iniPath()).isEmpty());
}

void SearchDialogTest::noRateTickedRefusesToStart() {
    auto dialog = openDialog({});
    dialog->searchButton()->click();
    QCOMPARE(m_shown->size(), std::size_t{1});
    QCOMPARE(m_shown->at(0).caption, QStringLiteral("INFO"));
    QVERIFY(!m_shown->at(0).text.isEmpty());
    QVERIFY(!dialog->search().running());
    QVERIFY(dialog->searchButton()->isEnabled());
    QVERIFY(!dialog->stopButton()->isEnabled());
}

void SearchDialogTest::searchFindsConvertersAtTheirRates() {
    SearchSettings s = OnTestLine({3, 4}); // 9600, 19200
    s.parityIndex = 1;
    auto dialog = openDialog(s);
    runToEnd(*dialog);
    // Every address 1..12 at both rates, one frame each.
    QCOMPARE(m_line->options().framesHeard.load(), 24u);
    QTreeWidget* found = dialog->foundList();
    QCOMPARE(found->topLevelItemCount(), 3);
    const QStringList rows[] = {{"ZEDU-MODBUS模块", "03(3)", "9600"},
                                {"ZEDU-MODBUS模块", "03(3)", "19200"},
                                {"ZEDU-MODBUS模块", "0A(10)", "9600"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            QCOMPARE(found->topLevelItem(r)->text(c), rows[r][c]);
    QCOMPARE(m_frame->shared().foundFlag, 1);
    QCOMPARE(m_frame->shared().parityIndex, 1);
    QCOMPARE(dialog->progress()->value(), 0);

    QTreeWidgetItem* root = m_frame->treeBar()->tree()->topLevelItem(0);
    QTRY_COMPARE(root->childCount(), 3);
    QCOMPARE(root->child(2)->text(0), QStringLiteral("ZEDU-MODBUS模块 ( 地址:0A  波特率:9600 )"));
    const MOD_item* newest = m_frame->group().items().front().get();
    QCOMPARE(newest->entry[tev::kFieldConfiguration], std::string("0A36003C1002000201"));
    QCOMPARE(newest->entry[tev::kFieldPort], std::string("5"));

    QTRY_VERIFY(lastMessage().endsWith(QStringLiteral("     搜索到3个模块")));
}

void SearchDialogTest::badCrcIsNotListed() {
    // A node of an earlier search, which the new search removes.
    m_frame->converterFound(tev::link::MakeConverterEntry(kPort, 3, 9600, {}));
    QTreeWidgetItem* root = nullptr;
    QTRY_VERIFY((root = m_frame->treeBar()->tree()->topLevelItem(0)) && root->childCount() == 1);
    auto dialog = openDialog(OnTestLine({3}));
    dialog->search().setLastAddress(4);
    m_line->options().corruptReplies = -1;
    runToEnd(*dialog);
    QCOMPARE(dialog->foundList()->topLevelItemCount(), 0);
    QCOMPARE(m_frame->shared().foundFlag, 0);
    QTRY_VERIFY(lastMessage().endsWith(QStringLiteral("搜索到0个模块")));
    QCOMPARE(root->childCount(), 0); // only the root is left
}

void SearchDialogTest::stopThenSearchStartsAgainFromAddressOne() {
    auto dialog = openDialog(OnTestLine({3}));
    dialog->search().setLastAddress(255);
    dialog->searchButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(dialog->foundList()->topLevelItemCount() == 1, 10000); // address 3
    dialog->stopButton()->click();
    QVERIFY(dialog->searchButton()->isEnabled() && dialog->cancelButton()->isEnabled());
    QVERIFY(!dialog->stopButton()->isEnabled());
    QCOMPARE(dialog->progress()->value(), 0);
    QTRY_VERIFY(lastMessage().endsWith(QStringLiteral("搜索到1个模块")));

    dialog->searchButton()->click();
    QCOMPARE(dialog->foundList()->topLevelItemCount(), 0);
    QTRY_COMPARE(dialog->addressField()->text(), QStringLiteral("01"));
    QCOMPARE(dialog->rateField()->text(), QStringLiteral("9600"));
    QTRY_VERIFY_WITH_TIMEOUT(dialog->foundList()->topLevelItemCount() == 1, 10000);
    dialog->stopButton()->click();
}

void SearchDialogTest::windowKeepsRunningDuringProbes() {
    // 1200: nobody answers, every probe waits its whole timeout of 500 ms
    auto dialog = openDialog(OnTestLine({0}, 2));
    dialog->searchButton()->click();
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longestGap = 0;
    while (clock.elapsed() < 1500) {
        QTest::qWait(10);
        longestGap = std::max(longestGap, clock.elapsed() - last);
        last = clock.elapsed();
    }
    QVERIFY2(longestGap < 250, qPrintable(QStringLiteral("event loop stalled %1 ms").arg(longestGap)));
    QElapsedTimer stopClock;
    stopClock.start();
    dialog->stopButton()->click();
    QVERIFY(stopClock.elapsed() < 100);
    QVERIFY(!dialog->search().running());
}

void SearchDialogTest::closingTheDialogOrWindowMidProbeIsSafe() {
    // 1200: nobody answers, so each probe stays on the line for its whole 500 ms.
    auto dialog = openDialog(OnTestLine({0}, 2));
    dialog->searchButton()->click();
    QTRY_COMPARE(m_frame->worker().pending(), 1);
    dialog->reject(); // the window's close button works during a search
    dialog.reset();
    QTRY_COMPARE_WITH_TIMEOUT(m_frame->worker().pending(), 0, 2000); // its result reaches nobody

    // The next dialog searches as usual.
    auto next = m_frame->createSearchDialog();
    next->rateBox(0)->setChecked(false);
    next->rateBox(3)->setChecked(true);
    next->timeoutList()->setCurrentIndex(0);
    next->search().setPauseMs(5);
    next->search().setLastAddress(4);
    runToEnd(*next);
    QCOMPARE(next->foundList()->topLevelItemCount(), 1);

    // Closing the main window mid-probe waits for that probe at most.
    next->rateBox(0)->setChecked(true);
    next->rateBox(3)->setChecked(false);
    next->timeoutList()->setCurrentIndex(2);
    next->searchButton()->click();
    QTRY_COMPARE(m_frame->worker().pending(), 1);
    QElapsedTimer clock;
    clock.start();
    next.reset();
    m_frame.reset();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
}

void SearchDialogTest::portThatCannotOpenSaysWhyInTheMessageBar() {
    qputenv("TEV_COM6", "/nonexistent/tev-tty6");
    SearchSettings s;
    s.portIndex = 5;
    s.rates[3] = true;
    auto dialog = openDialog(s);
    QCOMPARE(dialog->portList()->itemData(5, Qt::ToolTipRole).toString(),
             QStringLiteral("/nonexistent/tev-tty6"));
    QCOMPARE(dialog->portList()->currentText(), QStringLiteral("COM6")); // the list keeps its names
    dialog->search().setLastAddress(3);
    runToEnd(*dialog);
    QVERIFY(m_shown->empty()); // no box: the search goes on and finds nothing
    QListWidget* messages = m_frame->messageBar()->list();
    int failures = 0;
    for (int i = 0; i < messages->count(); ++i)
        failures += messages->item(i)->text().contains(QStringLiteral("COM6 (/nonexistent/tev-tty6)"));
    QCOMPARE(failures, 1); // said once, not once per probe
    QCOMPARE(dialog->foundList()->topLevelItemCount(), 0);
}

void SearchDialogTest::demoLineIsFound() {
    QString error;
    const auto demo = DemoLine::start(&error);
    QVERIFY2(demo, qPrintable(error));
    QVERIFY(!demo->describe().isEmpty());
    QVERIFY(demo->describe().first().startsWith(QStringLiteral("COM1 = /dev/")));
    SearchSettings s; // COM1
    for (auto box : demo->converterRateBoxes())
        s.rates[box] = true;
    auto dialog = openDialog(s);
    dialog->search().setLastAddress(4);
    runToEnd(*dialog);
    QVERIFY(dialog->foundList()->topLevelItemCount() >= 2);
    QTRY_COMPARE(m_frame->treeBar()->tree()->topLevelItem(0)->childCount(),
                 dialog->foundList()->topLevelItemCount());
}

QTEST_MAIN(SearchDialogTest)
#include "search_dialog_test.moc"
