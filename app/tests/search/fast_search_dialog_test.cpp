// The search dialog's fast search: its option in the user's settings, and fast searches against
// simulated converters on a pseudo-terminal.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "control_lookup.hpp"
#include "frame_lookup.hpp"
#include "recording_notifier.hpp"
#include "search/search_dialog.hpp"
#include "tev/link/settings_file.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

using tev::link::SearchSettings;

namespace {

constexpr int kPort = 7; // COM7 is mapped to the test's line

QCheckBox* Box(const QObject* d, const char* name) {
    return Child<QCheckBox>(d, name);
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class FastSearchDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void optionIsKeptPerUserAndNotInTheIni();
    void fastSearchListsWhatTheNormalSearchLists();
    void stopOrCloseEndsTheRunWithinOneProbe();

  private:
    std::unique_ptr<SearchDialog> openDialog(std::initializer_list<std::size_t> boxes, int timeoutIndex = 0);
    QString iniPath() const { return m_dir->filePath(QStringLiteral("tev_module.ini")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<tev::sim::Line> m_line;
    std::unique_ptr<MainFrame> m_frame;
};

void FastSearchDialogTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("profile")).toLocal8Bit());
    m_line = std::make_unique<tev::sim::Line>();
    // Address 3 answers at 9600 and at 19200, address 10 at 9600; the rest of the range is silent.
    for (const auto& [address, code] : {std::pair{3, 0x36}, {3, 0x37}, {10, 0x36}}) {
        tev::sim::ConverterConfig c;
        c.address = static_cast<std::uint8_t>(address);
        c.baudCode = static_cast<std::uint8_t>(code);
        m_line->add(std::make_shared<tev::sim::Converter>(c));
    }
    m_line->start();
    qputenv("TEV_COM7", m_line->path().c_str());
    m_frame = std::make_unique<MainFrame>();
    m_frame->setNotifier(std::make_unique<RecordingNotifier>());
    m_frame->setProgramFolder(m_dir->path());
    m_frame->show();
}

void FastSearchDialogTest::cleanup() {
    m_frame.reset();
    m_line->stop();
    m_line.reset();
    m_dir.reset();
}

std::unique_ptr<SearchDialog> FastSearchDialogTest::openDialog(std::initializer_list<std::size_t> boxes,
                                                               int timeoutIndex) {
    if (!QFile::exists(iniPath())) {
        SearchSettings s;
        s.portIndex = kPort - 1;
        for (auto box : boxes)
            s.rates[box] = true;
        s.timeoutIndex = timeoutIndex;
        tev::link::WriteNewSettingsFile(iniPath().toStdString(), s);
    }
    auto dialog = m_frame->createSearchDialog();
    dialog->search().setLastAddress(12);
    dialog->show();
    return dialog;
}

void FastSearchDialogTest::optionIsKeptPerUserAndNotInTheIni() {
    auto dialog = openDialog({3});
    QVERIFY(!Box(dialog.get(), "fastSearch")->isChecked()); // off until the user ticks it
    QVERIFY(!Box(dialog.get(), "allParities")->isEnabled());
    const QByteArray ini = FileBytes(iniPath());
    QCOMPARE(ini.size(), 104);
    Box(dialog.get(), "fastSearch")->click();
    QVERIFY(Box(dialog.get(), "allParities")->isEnabled());
    Box(dialog.get(), "allParities")->click();
    Button(dialog.get(), "saveButton")->click();
    QCOMPARE(FileBytes(iniPath()), ini); // the fixed layout knows nothing of either option
    QCOMPARE(QSettings(m_dir->filePath(QStringLiteral("profile/tev/TEV_IO.conf")), QSettings::IniFormat)
                 .value(QStringLiteral("search/fast")),
             QVariant(true));
    dialog.reset();
    auto reopened = openDialog({3});
    QVERIFY(Box(reopened.get(), "fastSearch")->isChecked());
    QVERIFY(Box(reopened.get(), "allParities")->isChecked());
    Box(reopened.get(), "fastSearch")->click();
    QVERIFY(!Box(openDialog({3}).get(), "fastSearch")->isChecked());
}

void FastSearchDialogTest::fastSearchListsWhatTheNormalSearchLists() {
    QStringList rows[2]; // normal, fast
    for (const bool fast : {false, true}) {
        auto dialog = openDialog({3, 4});
        dialog->search().setPauseMs(5);
        Box(dialog.get(), "fastSearch")->setChecked(fast);
        QSignalSpy stopped(dialog.get(), &SearchDialog::searchStopped);
        Button(dialog.get(), "searchButton")->click();
        QVERIFY(!Box(dialog.get(), "fastSearch")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(stopped.count() >= 2, 20000); // the start's own stop, then the end
        auto* found = Child<QTreeWidget>(dialog.get(), "foundList");
        for (int r = 0; r < found->topLevelItemCount(); ++r)
            rows[fast] << found->topLevelItem(r)->text(0) + found->topLevelItem(r)->text(1) +
                              found->topLevelItem(r)->text(2) + found->topLevelItem(r)->text(4);
        QTRY_COMPARE(TreeModel(*m_frame).converterCount(), 3);
        QTRY_VERIFY(LastMessage(*m_frame).endsWith(QStringLiteral("搜索到3个模块")));
        QCOMPARE(Child<QLineEdit>(dialog.get(), "addressField")->text(), QStringLiteral("0C"));
        QCOMPARE(Child<QLineEdit>(dialog.get(), "rateField")->text(), QStringLiteral("19200"));
    }
    QCOMPARE(m_line->options().framesHeard.load(), 48u); // one frame per probe in either mode
    // The fast search goes through the range at one rate before the next.
    QCOMPARE(rows[1], (QStringList{"ZEDU-MODBUS模块03(3)9600", "ZEDU-MODBUS模块0A(10)9600",
                                   "ZEDU-MODBUS模块03(3)19200"}));
    rows[0].sort();
    rows[1].sort();
    QCOMPARE(rows[1], rows[0]);
}

void FastSearchDialogTest::stopOrCloseEndsTheRunWithinOneProbe() {
    // 1200 bit/s with a 10 s timeout: nobody answers, each probe waits its whole timeout.
    auto dialog = openDialog({0}, 6);
    Box(dialog.get(), "fastSearch")->setChecked(true);
    for (const bool close : {false, true}) {
        Button(dialog.get(), "searchButton")->click();
        QTRY_COMPARE(m_frame->worker().pending(), 1);
        QTest::qWait(100); // the first probe now waits for its reply
        if (close) {
            dialog->reject(); // the window's close button works during a search
        } else {
            Button(dialog.get(), "stopButton")->click();
            QVERIFY(!dialog->search().running());
            QVERIFY(Button(dialog.get(), "searchButton")->isEnabled());
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_frame->worker().pending(), 0, 2000); // woken, not after 10 s
        QTest::qWait(50);
        QCOMPARE(Child<QTreeWidget>(dialog.get(), "foundList")->topLevelItemCount(), 0);
    }
}

QTEST_MAIN(FastSearchDialogTest)
#include "fast_search_dialog_test.moc"
