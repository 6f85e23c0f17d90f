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
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "control_lookup.hpp"
#include "demo/demo.hpp"
#include "core/workspace.hpp"
#include "frame_lookup.hpp"
#include "recording_notifier.hpp"
#include "search/search_dialog.hpp"
#include "core/serial_worker.hpp"
#include "tev/link/settings_file.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

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
    return std::make_shared<tev::sim::Converter>(c, tev::sim::SampleMeters(2, 5000));
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

QComboBox* List(const QObject* d, const char* name) {
    return Child<QComboBox>(d, name);
}
QCheckBox* RateBox(const QObject* d, std::size_t index) {
    return Child<QCheckBox>(d, qPrintable(QStringLiteral("rate%1").arg(tev::link::kSearchRates.at(index))));
}
QTreeWidget* FoundList(const QObject* d) {
    return Child<QTreeWidget>(d, "foundList");
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
    void installedProgramSavesPerUserFromTheDefault();
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
    // The user's own settings (a ticked 快速搜索) stay out of these searches.
    qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("profile")).toLocal8Bit());
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
    return LastMessage(*m_frame);
}

void SearchDialogTest::runToEnd(SearchDialog& dialog) {
    QSignalSpy stopped(&dialog, &SearchDialog::searchStopped);
    Button(&dialog, "searchButton")->click();
    QVERIFY(Button(&dialog, "stopButton")->isEnabled());
    QVERIFY(!Button(&dialog, "searchButton")->isEnabled() && !Button(&dialog, "saveButton")->isEnabled() &&
            !Button(&dialog, "cancelButton")->isEnabled());
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
        Button(dialog.get(), "saveButton")->click();
        auto reopened = openDialog({});
        QCOMPARE(reopened->currentSettings(), s);
        QCOMPARE(List(reopened.get(), "portList")->currentText().section(QLatin1Char(' '), 0, 0), QStringLiteral("COM%1").arg(s.portIndex + 1));
        QCOMPARE(List(reopened.get(), "timeoutList")->currentIndex(), s.timeoutIndex);
        QCOMPARE(List(reopened.get(), "parityList")->currentIndex(), s.parityIndex);
        for (std::size_t i = 0; i < 8; ++i)
            QCOMPARE(RateBox(reopened.get(), i)->isChecked(), s.rates[i]);
    }
    QVERIFY(m_shown->empty());
}

void SearchDialogTest::shortFileLeavesTheRestAtZero() {
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("COMX=0B;\r\nBRAUTE=01");
    file.close();
    auto dialog = openDialog({});
    QCOMPARE(List(dialog.get(), "portList")->currentText().section(QLatin1Char(' '), 0, 0), QStringLiteral("COM12"));
    QVERIFY(!RateBox(dialog.get(), 0)->isChecked());
    QVERIFY(RateBox(dialog.get(), 1)->isChecked());
    for (std::size_t i = 2; i < 8; ++i)
        QVERIFY(!RateBox(dialog.get(), i)->isChecked());
    QCOMPARE(List(dialog.get(), "timeoutList")->currentText(), QStringLiteral("100ms"));
    QCOMPARE(List(dialog.get(), "parityList")->currentText(), QStringLiteral("无校验"));
}

void SearchDialogTest::missingFileGivesBothTextsAndCreatesNothing() {
    auto dialog = m_frame->createSearchDialog();
    QCOMPARE(m_shown->size(), std::size_t{1});
    QCOMPARE(m_shown->at(0).caption, QStringLiteral("INFO"));
    QCOMPARE(m_shown->at(0).text, QStringLiteral("Tev_module.ini File Error!\n") + iniPath());
    QCOMPARE(List(dialog.get(), "portList")->currentIndex(), 0);
    Button(dialog.get(), "saveButton")->click();
    QCOMPARE(m_shown->size(), std::size_t{2});
    QCOMPARE(m_shown->at(1).text, QStringLiteral("tev_module.ini File Error!\n") + iniPath());
    QVERIFY(!QFile::exists(iniPath()));
    QVERIFY(Button(dialog.get(), "searchButton")->isEnabled()); // still usable
}

void SearchDialogTest::directoryInPlaceOfTheFileIsLeftAlone() {
    // Tests may run as root, which writes through read-only permissions: a directory cannot be written.
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("tev_module.ini")));
    auto dialog = m_frame->createSearchDialog();
    RateBox(dialog.get(), 3)->setChecked(true);
    Button(dialog.get(), "saveButton")->click();
    QCOMPARE(m_shown->size(), std::size_t{2});
    QCOMPARE(m_shown->at(0).text, QStringLiteral("Tev_module.ini File Error!\n") + iniPath());
    QCOMPARE(m_shown->at(1).text, QStringLiteral("tev_module.ini File Error!\n") + iniPath());
    QVERIFY(QDir(iniPath()).isEmpty());
}

void SearchDialogTest::installedProgramSavesPerUserFromTheDefault() {
    tev::link::ProgramFiles files;
    files.portable = false;
    files.settings = (m_dir->path() + QStringLiteral("/home/tev/tev_module.ini")).toStdString();
    files.defaultSettings = (m_dir->path() + QStringLiteral("/share/tev_module.ini")).toStdString();
    m_frame->setProgramFiles(files);
    // Without the installed default: the error names it.
    m_frame->createSearchDialog();
    QCOMPARE(m_shown->size(), std::size_t{1});
    QVERIFY(m_shown->at(0).text.endsWith(QString::fromStdString(files.defaultSettings.string())));

    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("share")));
    tev::link::WriteNewSettingsFile(files.defaultSettings, tev::link::DefaultSearchSettings());
    auto dialog = m_frame->createSearchDialog();
    QCOMPARE(m_shown->size(), std::size_t{1}); // the default was read
    QVERIFY(RateBox(dialog.get(), 3)->isChecked());
    RateBox(dialog.get(), 6)->setChecked(true);
    Button(dialog.get(), "saveButton")->click();
    QCOMPARE(m_shown->size(), std::size_t{1});
    QFile saved(QString::fromStdString(files.settings.string()));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    const auto expected = tev::link::FormatSettings(dialog->currentSettings());
    QCOMPARE(bytes, QByteArray(expected.data(), static_cast<qsizetype>(expected.size())));
    QCOMPARE(bytes.size(), 104);
    // The installed default is untouched; the next dialog reads the user's file.
    QCOMPARE(tev::link::LoadSettingsFile(files.defaultSettings).settings, tev::link::DefaultSearchSettings());
    QVERIFY(RateBox(m_frame->createSearchDialog().get(), 6)->isChecked());
}

void SearchDialogTest::noRateTickedRefusesToStart() {
    auto dialog = openDialog({});
    Button(dialog.get(), "searchButton")->click();
    QCOMPARE(m_shown->size(), std::size_t{1});
    QCOMPARE(m_shown->at(0).caption, QStringLiteral("INFO"));
    QVERIFY(!m_shown->at(0).text.isEmpty());
    QVERIFY(!dialog->search().running());
    QVERIFY(Button(dialog.get(), "searchButton")->isEnabled());
    QVERIFY(!Button(dialog.get(), "stopButton")->isEnabled());
}

void SearchDialogTest::searchFindsConvertersAtTheirRates() {
    SearchSettings s = OnTestLine({3, 4}); // 9600, 19200
    s.parityIndex = 1;
    auto dialog = openDialog(s);
    runToEnd(*dialog);
    // Every address 1..12 at both rates, one frame each.
    QCOMPARE(m_line->options().framesHeard.load(), 24u);
    QTreeWidget* found = FoundList(dialog.get());
    QCOMPARE(found->topLevelItemCount(), 3);
    const QStringList rows[] = {{"ZEDU-MODBUS模块", "03(3)", "9600"},
                                {"ZEDU-MODBUS模块", "03(3)", "19200"},
                                {"ZEDU-MODBUS模块", "0A(10)", "9600"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            QCOMPARE(found->topLevelItem(r)->text(c), rows[r][c]);
    QVERIFY(m_frame->workspace().found());
    QCOMPARE(Child<QProgressBar>(dialog.get(), "progress")->value(), 0);

    QTRY_COMPARE(TreeModel(*m_frame).converterCount(), 3);
    QCOMPARE(ConverterNode(*m_frame, 2).data().toString(),
             QStringLiteral("ZEDU-MODBUS模块 ( 地址:0A  波特率:9600 )"));
    const auto newest = TreeModel(*m_frame).converterAt(ConverterNode(*m_frame, 2));
    QCOMPARE(newest->configText, std::string("0A36003C1002000201"));
    QCOMPARE(newest->port, kPort);
    QCOMPARE(newest->parity, 1);

    QTRY_VERIFY(lastMessage().endsWith(QStringLiteral("     搜索到3个模块")));
}

void SearchDialogTest::badCrcIsNotListed() {
    // A node of an earlier search, which the new search removes.
    auto dialog = openDialog(OnTestLine({3}));
    emit dialog->converterFound(tev::link::MakeConverter({kPort, 9600, 0, 8, 0}, 3, {}));
    QTRY_COMPARE(TreeModel(*m_frame).converterCount(), 1);
    dialog->search().setLastAddress(4);
    m_line->options().corruptReplies = -1;
    runToEnd(*dialog);
    QCOMPARE(FoundList(dialog.get())->topLevelItemCount(), 0);
    QVERIFY(!m_frame->workspace().found());
    QTRY_VERIFY(lastMessage().endsWith(QStringLiteral("搜索到0个模块")));
    QCOMPARE(TreeModel(*m_frame).converterCount(), 0); // only the root is left
}

void SearchDialogTest::stopThenSearchStartsAgainFromAddressOne() {
    auto dialog = openDialog(OnTestLine({3}));
    dialog->search().setLastAddress(255);
    Button(dialog.get(), "searchButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(FoundList(dialog.get())->topLevelItemCount() == 1, 10000); // address 3
    Button(dialog.get(), "stopButton")->click();
    QVERIFY(Button(dialog.get(), "searchButton")->isEnabled() && Button(dialog.get(), "cancelButton")->isEnabled());
    QVERIFY(!Button(dialog.get(), "stopButton")->isEnabled());
    QCOMPARE(Child<QProgressBar>(dialog.get(), "progress")->value(), 0);
    QTRY_VERIFY(lastMessage().endsWith(QStringLiteral("搜索到1个模块")));

    Button(dialog.get(), "searchButton")->click();
    QCOMPARE(FoundList(dialog.get())->topLevelItemCount(), 0);
    QTRY_COMPARE(Child<QLineEdit>(dialog.get(), "addressField")->text(), QStringLiteral("01"));
    QCOMPARE(Child<QLineEdit>(dialog.get(), "rateField")->text(), QStringLiteral("9600"));
    QTRY_VERIFY_WITH_TIMEOUT(FoundList(dialog.get())->topLevelItemCount() == 1, 10000);
    Button(dialog.get(), "stopButton")->click();
}

void SearchDialogTest::windowKeepsRunningDuringProbes() {
    // 1200: nobody answers, every probe waits its whole timeout of 500 ms
    auto dialog = openDialog(OnTestLine({0}, 2));
    Button(dialog.get(), "searchButton")->click();
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
    Button(dialog.get(), "stopButton")->click();
    QVERIFY(stopClock.elapsed() < 100);
    QVERIFY(!dialog->search().running());
}

void SearchDialogTest::closingTheDialogOrWindowMidProbeIsSafe() {
    // 1200: nobody answers, so each probe stays on the line for its whole 500 ms.
    auto dialog = openDialog(OnTestLine({0}, 2));
    Button(dialog.get(), "searchButton")->click();
    QTRY_COMPARE(m_frame->worker().pending(), 1);
    dialog->reject(); // the window's close button works during a search
    dialog.reset();
    QTRY_COMPARE_WITH_TIMEOUT(m_frame->worker().pending(), 0, 2000); // its result reaches nobody

    // The next dialog searches as usual.
    auto next = m_frame->createSearchDialog();
    RateBox(next.get(), 0)->setChecked(false);
    RateBox(next.get(), 3)->setChecked(true);
    List(next.get(), "timeoutList")->setCurrentIndex(0);
    next->search().setPauseMs(5);
    next->search().setLastAddress(4);
    runToEnd(*next);
    QCOMPARE(FoundList(next.get())->topLevelItemCount(), 1);

    // Closing the main window during a 10 s receive returns at once: the receive is woken.
    RateBox(next.get(), 0)->setChecked(true);
    RateBox(next.get(), 3)->setChecked(false);
    List(next.get(), "timeoutList")->setCurrentIndex(6);
    Button(next.get(), "searchButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_frame->worker().pending(), 1, 12000); // the first tick comes after 10 s
    QTest::qWait(100); // the probe now waits for its reply
    QElapsedTimer clock;
    clock.start();
    next.reset();
    m_frame.reset();
    QVERIFY2(clock.elapsed() < 200, qPrintable(QString::number(clock.elapsed())));
}

void SearchDialogTest::portThatCannotOpenSaysWhyInTheMessageBar() {
    qputenv("TEV_COM6", "/nonexistent/tev-tty6");
    SearchSettings s;
    s.portIndex = 5;
    s.rates[3] = true;
    auto dialog = openDialog(s);
    QCOMPARE(List(dialog.get(), "portList")->itemData(5, Qt::ToolTipRole).toString(),
             QStringLiteral("/nonexistent/tev-tty6"));
    QCOMPARE(List(dialog.get(), "portList")->currentText(), QStringLiteral("COM6 (/nonexistent/tev-tty6)"));
    dialog->search().setLastAddress(3);
    runToEnd(*dialog);
    QVERIFY(m_shown->empty()); // no box: the search goes on and finds nothing
    QListWidget* messages = Messages(*m_frame);
    int failures = 0;
    for (int i = 0; i < messages->count(); ++i)
        failures += messages->item(i)->text().contains(QStringLiteral("COM6 (/nonexistent/tev-tty6)"));
    QCOMPARE(failures, 1); // said once, not once per probe
    QCOMPARE(FoundList(dialog.get())->topLevelItemCount(), 0);
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
    QVERIFY(FoundList(dialog.get())->topLevelItemCount() >= 2);
    QTRY_COMPARE(TreeModel(*m_frame).converterCount(), FoundList(dialog.get())->topLevelItemCount());
}

QTEST_MAIN(SearchDialogTest)
#include "search_dialog_test.moc"
