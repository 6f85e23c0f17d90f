// The command terminal against simulated meters on a pseudo-terminal.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "core/port_hub.hpp"
#include "core/serial_worker.hpp"
#include "core/workspace.hpp"
#include "demo/demo.hpp"
#include "file_size_limit.hpp"
#include "recording_notifier.hpp"
#include "tev/sim/line.hpp"
#include "tev/sim/mbus_meter.hpp"
#include "tools/terminal_dialog.hpp"

namespace {

constexpr int kPort = 7; // COM7 is mapped to the test's line

template <class T> T* Child(QWidget& dialog, const char* name) {
    return dialog.findChild<T*>(QString::fromLatin1(name));
}

} // namespace

class TerminalDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void opensWithItsDefaults();
    void ackShowsE5AndItsTime();
    void domesticReplyShowsItsWakeUpBytes();
    void historyHoldsNewestFirst();
    void emptyBaudEntryKeepsThePreviousRate();
    void tooLongCommandIsRefusedUnsent();
    void unknownPortSaysOpenComError();
    void historyIsSavedWithTimesAndCommandsAreRecalled();
    void screenshotInDemoMode();

  private:
    std::unique_ptr<TerminalDialog> openDialog();
    // Types the command, runs it and waits for the run button to come back; the response text.
    QString run(TerminalDialog& dialog, const QString& command, int checksumIndex = 1);
    QStringList history(TerminalDialog& dialog) const;
    unsigned framesHeard() { return m_line->options().framesHeard.load(); }

    std::unique_ptr<tev::sim::Line> m_line;
    std::unique_ptr<PortHub> m_worker;
    Workspace m_workspace;
    ToolContext context() { return {m_workspace, *m_worker, m_notifier}; }
    RecordingNotifier m_notifier;
};

void TerminalDialogTest::init() {
    m_worker = std::make_unique<PortHub>();
    m_notifier.m_shown->clear();
    m_line = std::make_unique<tev::sim::Line>();
    m_line->add(std::make_shared<tev::sim::MbusMeterBank>(
        std::vector<tev::sim::MbusMeterSpec>{{.primary = 1, .id = 12345678}}));
    tev::sim::DomesticMeterSpec domestic;
    domestic.address = {0x21, 0x43, 0x65, 0x87, 0x00, 0x00, 0x00};
    m_line->add(std::make_shared<tev::sim::DomesticMeter>(domestic));
    m_line->start();
    qputenv("TEV_COM7", m_line->path().c_str());
}

void TerminalDialogTest::cleanup() {
    m_worker.reset();
    m_line->stop();
    m_line.reset();
}

std::unique_ptr<TerminalDialog> TerminalDialogTest::openDialog() {
    auto dialog = std::make_unique<TerminalDialog>(context());
    Child<QComboBox>(*dialog, "port")->setCurrentIndex(kPort - 1);
    dialog->show();
    return dialog;
}

QString TerminalDialogTest::run(TerminalDialog& dialog, const QString& command, int checksumIndex) {
    Child<QComboBox>(dialog, "command")->setCurrentText(command);
    Child<QComboBox>(dialog, "checksum")->setCurrentIndex(checksumIndex);
    auto* button = Child<QPushButton>(dialog, "runButton");
    button->click();
    if (!QTest::qWaitFor([button] { return button->isEnabled(); }, 5000))
        return QStringLiteral("(still running)");
    return Child<QLineEdit>(dialog, "response")->text();
}

QStringList TerminalDialogTest::history(TerminalDialog& dialog) const {
    QStringList lines;
    auto* list = Child<QListWidget>(dialog, "history");
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

void TerminalDialogTest::opensWithItsDefaults() {
    TerminalDialog dialog(context());
    QSignalSpy stopPages(&dialog, &ToolDialog::stopPagesRequested);
    dialog.show();
    QCOMPARE(stopPages.count(), 1);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("单步命令行(终端)"));
    QCOMPARE(Child<QComboBox>(dialog, "port")->currentText(), QStringLiteral("COM1"));
    QCOMPARE(Child<QComboBox>(dialog, "baud")->currentText(), QStringLiteral("2400"));
    QCOMPARE(Child<QComboBox>(dialog, "baud")->count(), 8);
    QCOMPARE(Child<QComboBox>(dialog, "origin")->currentText(), QStringLiteral("国产表"));
    QCOMPARE(Child<QComboBox>(dialog, "checksum")->currentText(), QStringLiteral("第2字节起"));
}

void TerminalDialogTest::ackShowsE5AndItsTime() {
    auto dialog = openDialog();
    // The dialog keeps running during the exchange: a timer ticks meanwhile.
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(5);
    Child<QComboBox>(*dialog, "command")->setCurrentText(QStringLiteral("10 5B 01"));
    Child<QPushButton>(*dialog, "runButton")->click();
    QVERIFY(!Child<QPushButton>(*dialog, "runButton")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(Child<QPushButton>(*dialog, "runButton")->isEnabled(), 3000);
    QVERIFY(ticks >= 5); // a long frame takes 150 ms on the wire at 2400 bit/s
    QVERIFY(
        Child<QLineEdit>(*dialog, "response")->text().startsWith(QStringLiteral("68 1A 1A 68 08 01 72 ")));

    QCOMPARE(run(*dialog, QStringLiteral("10 40 01")), QStringLiteral("E5 "));
    const QString line = history(*dialog).at(1);
    const auto match = QRegularExpression(QStringLiteral("^    E5    (\\d+) ms$")).match(line);
    QVERIFY2(match.hasMatch(), qPrintable(line));
    QVERIFY(match.captured(1).toInt() < 300); // the receive ends on the 0xE5, far before 1300 ms
}

void TerminalDialogTest::domesticReplyShowsItsWakeUpBytes() {
    auto dialog = openDialog();
    const QString reply = run(*dialog, QStringLiteral("68 10 21 43 65 87 00 00 00 01 03 90 1F 00"), 0);
    QVERIFY2(reply.startsWith(QStringLiteral("FE FE 68 10 21 43 65 87 00 00 00 81 16 ")), qPrintable(reply));
    QCOMPARE(reply.size(), (2 + 0x16 + 13) * 3);
}

void TerminalDialogTest::historyHoldsNewestFirst() {
    auto dialog = openDialog();
    run(*dialog, QStringLiteral("10 40 01"));
    // Enter in the command field runs the command once.
    auto* command = Child<QComboBox>(*dialog, "command");
    command->setCurrentText(QStringLiteral("10 40 33"));
    command->setFocus();
    QTest::keyClick(command, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(Child<QLineEdit>(*dialog, "response")->text(), QStringLiteral("No Respond!"),
                              3000);
    QTRY_VERIFY(Child<QPushButton>(*dialog, "runButton")->isEnabled());
    const QStringList lines = history(*dialog);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), QStringLiteral("--> 10 40 33"));
    QCOMPARE(lines.at(1), QStringLiteral("    No Respond!"));
    QCOMPARE(lines.at(2), QStringLiteral("--> 10 40 01"));
    QVERIFY(lines.at(3).startsWith(QStringLiteral("    E5    ")));
}

void TerminalDialogTest::emptyBaudEntryKeepsThePreviousRate() {
    auto dialog = openDialog();
    auto* baud = Child<QComboBox>(*dialog, "baud");
    // The meter answers at 2400 bit/s only.
    const struct {
        const char* baud;
        const char* response;
    } steps[] = {{"9600", "No Respond!"}, {"", "No Respond!"}, {"2400", "E5 "}, {"", "E5 "}};
    for (const auto& step : steps) {
        baud->setCurrentIndex(baud->findText(QString::fromLatin1(step.baud)));
        QCOMPARE(run(*dialog, QStringLiteral("10 40 01")), QString::fromLatin1(step.response));
    }
}

void TerminalDialogTest::tooLongCommandIsRefusedUnsent() {
    auto dialog = openDialog();
    const QString response = run(*dialog, QString(59 * 2, QLatin1Char('1')));
    QVERIFY2(response.contains(QStringLiteral("59")), qPrintable(response));
    QTest::qWait(100);
    QCOMPARE(framesHeard(), 0u);
    QCOMPARE(run(*dialog, QString(58 * 2, QLatin1Char('1'))), QStringLiteral("No Respond!"));
}

void TerminalDialogTest::unknownPortSaysOpenComError() {
    auto dialog = openDialog();
    Child<QComboBox>(*dialog, "port")->setCurrentText(QStringLiteral("COM99")); // no entry: port 0
    run(*dialog, QStringLiteral("10 40 01"));
    QCOMPARE(m_notifier.m_shown->size(), std::size_t{1});
    QCOMPARE(m_notifier.m_shown->front().text, QStringLiteral("Open Com Error!"));
}

void TerminalDialogTest::historyIsSavedWithTimesAndCommandsAreRecalled() {
    auto dialog = openDialog();
    run(*dialog, QStringLiteral("10 40 01"));
    run(*dialog, QStringLiteral("10 5B 01"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.txt"));
    QVERIFY(dialog->saveHistory(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    const QRegularExpression stamped(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}  "));
    for (const QString& line : lines)
        QVERIFY2(stamped.match(line).hasMatch(), qPrintable(line));
    QVERIFY(lines.at(0).endsWith(QStringLiteral("  --> 10 5B 01")));
    QString why;
    {
        const FileSizeLimit full(10); // a full disk: the old history stays
        QVERIFY(!dialog->saveHistory(path, &why));
    }
    QVERIFY2(why.contains(path), qPrintable(why));
    QCOMPARE(QFileInfo(path).size(), file.size());

    // A new terminal offers the commands sent so far, newest first.
    TerminalDialog again(context());
    auto* command = Child<QComboBox>(again, "command");
    QVERIFY(command->count() >= 2);
    QCOMPARE(command->itemText(0), QStringLiteral("10 5B 01"));
    QCOMPARE(command->itemText(1), QStringLiteral("10 40 01"));
}

void TerminalDialogTest::screenshotInDemoMode() {
    const QByteArray dir = qgetenv("TEV_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("TEV_SCREENSHOT_DIR not set");
    QString error;
    const auto demo = DemoLine::start(&error);
    QVERIFY2(demo, qPrintable(error));
    TerminalDialog dialog(context());
    Child<QComboBox>(dialog, "port")->setCurrentIndex(1); // COM2: the demo's M-Bus meters
    Child<QComboBox>(dialog, "origin")->setCurrentIndex(1);
    dialog.resize(980, 400);
    dialog.show();
    run(dialog, QStringLiteral("10 40 01"));
    run(dialog, QStringLiteral("10 5B 01"));
    QVERIFY(dialog.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/terminal.png")));
}

QTEST_MAIN(TerminalDialogTest)
#include "terminal_dialog_test.moc"
