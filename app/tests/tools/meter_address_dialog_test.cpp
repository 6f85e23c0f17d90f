// The meter address setting against simulated M-Bus meters on a pseudo-terminal.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "core/port_hub.hpp"
#include "core/serial_worker.hpp"
#include "core/workspace.hpp"
#include "demo/demo.hpp"
#include "recording_notifier.hpp"
#include "tev/link/direct_line.hpp"
#include "tev/link/serial_client.hpp"
#include "tev/link/terminal.hpp"
#include "tev/sim/line.hpp"
#include "tev/sim/mbus_meter.hpp"
#include "tools/meter_address_dialog.hpp"

namespace {

constexpr int kPort = 6; // COM6 is mapped to the test's line

template <class T> T* Child(QWidget& dialog, const char* name) {
    return dialog.findChild<T*>(QString::fromLatin1(name));
}

} // namespace

class MeterAddressDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void opensInFileModeAndSwitches();
    void manualChecksComeInOrderAndSendNothing();
    void manualSettingSucceedsAndCloses();
    void unknownMeterShowsNothingAndStaysOpen();
    void importFileOfOneLineSetsItsMeter();
    void batchWithoutFileAsksForOne();
    void batchOf200LinesRunsEachLineOnce();
    void cancelStopsTheBatchAtOnce();
    void screenshotInDemoMode();

  private:
    // Meters at `baud`: 12345678 (primary 1), 12345679 (primary 2), 00001111 (primary 0).
    void startLine(std::uint32_t baud);
    std::unique_ptr<MeterAddressDialog> openDialog();
    QString writeFile(const QByteArray& text);
    std::uint8_t primaryOf(std::size_t meter) const { return m_meters->meters().at(meter).primary; }
    unsigned framesHeard() { return m_line->options().framesHeard.load(); }
    QStringList shown() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<tev::sim::Line> m_line;
    std::shared_ptr<tev::sim::MbusMeterBank> m_meters;
    std::unique_ptr<PortHub> m_worker;
    Workspace m_workspace;
    ToolContext context() { return {m_workspace, *m_worker, m_notifier}; }
    RecordingNotifier m_notifier;
};

void MeterAddressDialogTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_worker = std::make_unique<PortHub>();
    m_notifier.m_shown->clear();
    startLine(2400);
}

void MeterAddressDialogTest::startLine(std::uint32_t baud) {
    if (m_line)
        m_line->stop();
    m_line = std::make_unique<tev::sim::Line>();
    m_meters = std::make_shared<tev::sim::MbusMeterBank>(std::vector<tev::sim::MbusMeterSpec>{
        {.primary = 1, .id = 12345678, .baud = baud},
        {.primary = 2, .id = 12345679, .baud = baud},
        {.primary = 0, .id = 1111, .manufacturer = 0x4024, .version = 2, .medium = 4, .baud = baud}});
    m_line->add(m_meters);
    m_line->start();
    qputenv("TEV_COM6", m_line->path().c_str());
}

void MeterAddressDialogTest::cleanup() {
    m_worker.reset();
    m_line->stop();
    m_line.reset();
    m_dir.reset();
}

std::unique_ptr<MeterAddressDialog> MeterAddressDialogTest::openDialog() {
    auto dialog = std::make_unique<MeterAddressDialog>(context());
    Child<QComboBox>(*dialog, "port")->setCurrentIndex(kPort - 1);
    dialog->show();
    return dialog;
}

QString MeterAddressDialogTest::writeFile(const QByteArray& text) {
    const QString path = m_dir->filePath(QStringLiteral("meters.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return path;
}

QStringList MeterAddressDialogTest::shown() const {
    QStringList texts;
    for (const auto& s : *m_notifier.m_shown)
        texts << s.text;
    return texts;
}

void MeterAddressDialogTest::opensInFileModeAndSwitches() {
    MeterAddressDialog dialog(context());
    QSignalSpy stopPages(&dialog, &ToolDialog::stopPagesRequested);
    dialog.show();
    QCOMPARE(stopPages.count(), 0); // the converter pages go on polling their own line
    QCOMPARE(dialog.windowTitle(), QStringLiteral("热表地址设定"));
    QCOMPARE(Child<QComboBox>(dialog, "baud")->currentText(), QStringLiteral("2400"));
    QCOMPARE(Child<QComboBox>(dialog, "mode")->currentText(), QStringLiteral("从文件导入"));
    QCOMPARE(Child<QLineEdit>(dialog, "manufacturer")->text(), QStringLiteral("FFFFFFFF"));
    const char* manual[] = {"identification", "newAddress", "manualButton"};
    const char* file[] = {"importPath", "browse", "importButton"};
    for (int mode : {0, 1}) {
        Child<QComboBox>(dialog, "mode")->setCurrentIndex(mode);
        for (const char* name : manual)
            QCOMPARE(Child<QWidget>(dialog, name)->isEnabled(), mode == 1);
        for (const char* name : file)
            QCOMPARE(Child<QWidget>(dialog, name)->isEnabled(), mode == 0);
        QVERIFY(Child<QWidget>(dialog, "manufacturer")->isEnabled());
        QVERIFY(!Child<QWidget>(dialog, "importStatus")->isEnabled());
    }
}

void MeterAddressDialogTest::manualChecksComeInOrderAndSendNothing() {
    struct Case {
        const char* manufacturer;
        const char* identification;
        const char* address;
        const char* message;
    };
    const Case cases[] = {
        {"FFFFFF", "1234567", "5", "厂家 + 版本号 长度不对!"},
        {"FFFFFFFF", "1234567", "05", "序列号长度不对!"},
        {"FFFFFFFF", "123456789", "05", "序列号长度不对!"},
        {"FFFFFFFF", "12345678", "5", "地址长度不对!"},
    };
    auto dialog = openDialog();
    Child<QComboBox>(*dialog, "mode")->setCurrentIndex(1);
    for (const Case& c : cases) {
        m_notifier.m_shown->clear();
        Child<QLineEdit>(*dialog, "manufacturer")->setText(QString::fromLatin1(c.manufacturer));
        Child<QLineEdit>(*dialog, "identification")->setText(QString::fromLatin1(c.identification));
        Child<QLineEdit>(*dialog, "newAddress")->setText(QString::fromLatin1(c.address));
        Child<QPushButton>(*dialog, "manualButton")->click();
        QCOMPARE(shown(), QStringList{QString::fromUtf8(c.message)});
    }
    QTest::qWait(100);
    QCOMPARE(framesHeard(), 0u);
    QVERIFY(dialog->isVisible());
}

void MeterAddressDialogTest::manualSettingSucceedsAndCloses() {
    auto dialog = openDialog();
    Child<QComboBox>(*dialog, "mode")->setCurrentIndex(1);
    Child<QLineEdit>(*dialog, "identification")->setText(QStringLiteral(" 12345679 "));
    Child<QLineEdit>(*dialog, "newAddress")->setText(QStringLiteral("05"));
    Child<QPushButton>(*dialog, "manualButton")->click();
    QVERIFY(!Child<QPushButton>(*dialog, "manualButton")->isEnabled()); // no second attempt meanwhile
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 3000);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(shown(), QStringList{QStringLiteral("地址设置成功!")});
    QCOMPARE(primaryOf(1), 5);
    QCOMPARE(framesHeard(), 3u);
}

void MeterAddressDialogTest::unknownMeterShowsNothingAndStaysOpen() {
    auto dialog = openDialog();
    Child<QComboBox>(*dialog, "mode")->setCurrentIndex(1);
    Child<QLineEdit>(*dialog, "identification")->setText(QStringLiteral("87654321"));
    Child<QLineEdit>(*dialog, "newAddress")->setText(QStringLiteral("05"));
    Child<QPushButton>(*dialog, "manualButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(Child<QPushButton>(*dialog, "manualButton")->isEnabled(), 3000);
    QVERIFY(dialog->isVisible());
    QVERIFY(shown().isEmpty());
    QCOMPARE(framesHeard(), 1u); // the select, unanswered: nothing more is sent
}

void MeterAddressDialogTest::importFileOfOneLineSetsItsMeter() {
    auto dialog = openDialog();
    dialog->chooseImportFile(writeFile("; block 3\n\n  00001111,0A,\n"));
    QCOMPARE(dialog->batch().size(), std::size_t{1});
    Child<QPushButton>(*dialog, "importButton")->click();
    auto* status = Child<QLineEdit>(*dialog, "importStatus");
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("完成1地址设置"), 4000);
    QCOMPARE(primaryOf(2), 0x0A);
    QTest::qWait(1000); // ticks after the last line leave the status alone
    QCOMPARE(status->text(), QStringLiteral("完成1地址设置"));

    // The meter answers REQ_UD2 at its new address.
    tev::link::SerialClient client;
    const auto run = tev::link::RunTerminalExchange(client, tev::link::DirectLineSettings(kPort, 2400),
                                                    tev::link::BuildTerminalFrame("10 5B 0A", 1).bytes,
                                                    tev::protocol::MeterOrigin::Imported);
    QVERIFY(run.reply && run.reply->starts_with("68 1A 1A 68 08 0A 72 11 11 00 00 "));
}

void MeterAddressDialogTest::batchWithoutFileAsksForOne() {
    auto dialog = openDialog();
    dialog->chooseImportFile(QString());
    Child<QPushButton>(*dialog, "importButton")->click();
    QCOMPARE(shown(), QStringList{QStringLiteral("请选择文件!")});
}

void MeterAddressDialogTest::batchOf200LinesRunsEachLineOnce() {
    startLine(19200);
    QByteArray text;
    for (int n = 1; n <= 200; ++n)
        text +=
            (n % 2 ? "12345678," : "12345679,") + QByteArray::number(n, 16).rightJustified(2, '0') + ",\n";
    auto dialog = openDialog();
    Child<QComboBox>(*dialog, "baud")->setCurrentText(QStringLiteral("19200"));
    dialog->chooseImportFile(writeFile(text));
    dialog->setTickIntervalMs(1); // ticks far faster than a line: none may start while one runs
    QStringList statuses;
    connect(Child<QLineEdit>(*dialog, "importStatus"), &QLineEdit::textChanged,
            [&statuses](const QString& s) { statuses << s; });
    Child<QPushButton>(*dialog, "importButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(statuses.size() == 200, 60000);
    for (int n = 1; n <= 200; ++n)
        QCOMPARE(statuses.at(n - 1), QStringLiteral("完成%1地址设置").arg(n));
    QCOMPARE(framesHeard(), 600u);
    QCOMPARE(primaryOf(0), 199);
    QCOMPARE(primaryOf(1), 200);
    QCOMPARE(m_worker->pending(), 0);
}

void MeterAddressDialogTest::cancelStopsTheBatchAtOnce() {
    auto dialog = openDialog();
    dialog->chooseImportFile(writeFile("87654321,05,\n87654322,06,\n87654323,07,\n"));
    dialog->setTickIntervalMs(10);
    Child<QPushButton>(*dialog, "importButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(framesHeard(), 1u, 2000); // a select waits 1200 ms for no answer
    QElapsedTimer clock;
    clock.start();
    Child<QPushButton>(*dialog, "cancelButton")->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(clock.elapsed() < 100);
    QTRY_COMPARE_WITH_TIMEOUT(m_worker->pending(), 0, 3000);
    QTest::qWait(300);
    QCOMPARE(framesHeard(), 1u); // no frame after the cancel
    QVERIFY(Child<QLineEdit>(*dialog, "importStatus")->text().isEmpty());
}

void MeterAddressDialogTest::screenshotInDemoMode() {
    const QByteArray dir = qgetenv("TEV_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("TEV_SCREENSHOT_DIR not set");
    QString error;
    const auto demo = DemoLine::start(&error);
    QVERIFY2(demo, qPrintable(error));
    MeterAddressDialog dialog(context());
    Child<QComboBox>(dialog, "port")->setCurrentIndex(1); // COM2: the demo's M-Bus meters
    dialog.show();
    dialog.chooseImportFile(writeFile("; demo meters\n12345678,05,\n12345679,06,\n"));
    dialog.setTickIntervalMs(50);
    Child<QPushButton>(dialog, "importButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(Child<QLineEdit>(dialog, "importStatus")->text(),
                              QStringLiteral("完成2地址设置"), 5000);
    Child<QLineEdit>(dialog, "importPath")->setText(QStringLiteral("~/meters.txt"));
    Child<QLineEdit>(dialog, "importPath")->setCursorPosition(0);
    QVERIFY(dialog.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/meter-address.png")));
}

QTEST_MAIN(MeterAddressDialogTest)
#include "meter_address_dialog_test.moc"
