// The settings page against a simulated converter on a pseudo-terminal: what each button sends, the
// input checks, the pending slot, the meter-list chain and failed writes.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "control_lookup.hpp"
#include "core/workspace.hpp"
#include "meters/editable_grid.hpp"
#include "meters/meter_list_dialog.hpp"
#include "pages/settings_page.hpp"
#include "pages/wait_notice.hpp"
#include "recording_notifier.hpp"
#include "core/port_hub.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

namespace {

constexpr int kPort = 14;

// Runs act on the next modal dialog of type D once it shows.
template <class D> void WhenModal(std::function<void(D*)> act) {
    QTimer::singleShot(20, [act] {
        if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget()))
            act(d);
        else
            WhenModal<D>(act);
    });
}

// With TEV_SCREENSHOT_DIR set, the window as shown goes to <dir>/<name>.png for the README.
void Screenshot(QWidget* window, const char* name) {
    const QString dir = qEnvironmentVariable("TEV_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        window->grab().save(dir + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png"));
}

tev::link::Converter Entry() {
    tev::link::Converter c;
    c.port = kPort;
    c.address = 1;
    c.baud = 9600;
    c.config = {1, 0x36, 60, 1, 40, 0, 1};
    c.configText = "0136003C0128000001";
    return c;
}

} // namespace

class SettingsPageTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        m_workspace = std::make_unique<Workspace>(); // notices said once are said again
        m_device = std::make_shared<tev::sim::Converter>(
            tev::sim::ConverterConfig{.address = 1, .meterCount = 40}, tev::sim::SampleMeters(40, 5000));
        m_line = std::make_unique<tev::sim::Line>();
        m_line->add(m_device);
        m_line->start();
        qputenv("TEV_COM14", QByteArray::fromStdString(m_line->path()));
        QFile types(m_dir.filePath(QStringLiteral("type.txt")));
        QVERIFY(types.open(QIODevice::WriteOnly));
        types.write("; types\n00-未定义\n01-通用热量表\n02-通用水表\n03-超声波热量表\n");
        types.close();
        tev::link::ProgramFiles files;
        files.settings = (m_dir.path() + QStringLiteral("/tev_module.ini")).toStdString();
        files.typeFiles = {m_dir.filePath(QStringLiteral("type.txt")).toStdString()};
        files.output = m_dir.path().toStdString();
        m_workspace->setFiles(files);
        m_workspace->setPagesRunning(true);
        m_page = std::make_unique<SettingsPage>();
        m_messages = std::make_unique<QSignalSpy>(m_page.get(), &ConverterPage::message);
        m_moved = std::make_unique<QSignalSpy>(m_page.get(), &ConverterPage::converterChanged);
        m_page->start(Entry(), {*m_workspace, m_worker, m_notifier});
    }
    void cleanup() {
        m_messages.reset();
        m_moved.reset();
        m_page.reset();
        QTRY_COMPARE(m_worker.pending(), 0); // the page's port is closed before its line goes
        m_line->stop();
        m_notifier.m_shown->clear();
    }

    void startShowsTheConfiguration() {
        QCOMPARE(Child<QLineEdit>(m_page.get(), "addressField")->text(), QStringLiteral("01"));
        QCOMPARE(Child<QComboBox>(m_page.get(), "rateList")->currentText(), QStringLiteral("9600"));
        QCOMPARE(Child<QLineEdit>(m_page.get(), "countField")->text(), QStringLiteral("40"));
        QCOMPARE(m_workspace->meterTable().count, 40);
        QVERIFY(m_workspace->secondaryAddressing());
        // The converter's type by the number its name begins with; the type names in file order.
        QCOMPARE(Child<QComboBox>(m_page.get(), "typeList")->currentText(), QStringLiteral("01-通用热量表"));
        QCOMPARE(m_workspace->typeNames().front(), std::string("00-未定义"));
        m_page->resize(380, 320);
        m_page->show();
        Screenshot(m_page.get(), "settings-page");
    }

    void inputChecksShowTheirBoxAndSendNothing() {
        struct Case {
            const char* field;
            const char* text;
            const char* button;
            const char* box;
        };
        const Case cases[] = {
            {"addressField", "  ", "setAddressButton", "地址不能为空!"},
            {"addressField", "1", "setAddressButton", "地址格式不对!"},
            {"timeField", "2", "setTimeButton", "时间范围不正确!"},
            {"timeField", "10000", "setTimeButton", "时间范围不正确!"},
        };
        for (const Case& c : cases) {
            Child<QLineEdit>(m_page.get(), c.field)->setText(QString::fromUtf8(c.text));
            Child<QPushButton>(m_page.get(), c.button)->click();
            QCOMPARE(m_notifier.m_shown->back().text, QString::fromUtf8(c.box));
        }
        QTest::qWait(3 * SettingsPage::kTickMs);
        QCOMPARE(m_messages->count(), 0);
        QCOMPARE(m_device->config().acquisitionTime, 60);
    }

    // An untouched "设置表数量" writes back the type the converter reported, whatever type.txt holds;
    // names not at the place of their number are said once.
    void untouchedTypeAndCountKeepsTheType_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("notices");
        QFile shipped(QStringLiteral(TEV_SHIPPED_TYPE_FILE));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QTest::newRow("shipped") << shipped.readAll() << 0;
        QTest::newRow("starting at 01") << QByteArray("01-A\n02-B\n03-C\n04-D\n") << 1;
        QTest::newRow("without type 3") << QByteArray("00-X\n01-A\n") << 0;
    }
    void untouchedTypeAndCountKeepsTheType() {
        QFETCH(QByteArray, file);
        QFETCH(int, notices);
        m_page.reset();
        QFile types(m_dir.filePath(QStringLiteral("type.txt")));
        QVERIFY(types.open(QIODevice::WriteOnly));
        types.write(file);
        types.close();
        m_page = std::make_unique<SettingsPage>();
        QSignalSpy messages(m_page.get(), &ConverterPage::message);
        tev::link::Converter c = Entry();
        c.config.meterType = 3;
        m_page->start(c, {*m_workspace, m_worker, m_notifier});
        m_page->start(c, {*m_workspace, m_worker, m_notifier}); // said once, however often loaded
        QCOMPARE(messages.count(), notices);
        Child<QPushButton>(m_page.get(), "setCountButton")->click();
        QTRY_COMPARE(messages.count(), notices + 1);
        QCOMPARE(m_device->config().meterType, 3);
        QCOMPARE(m_device->config().meterCount, 40);
    }

    void aWriteNotYetSentIsReportedWhenThePageStops() {
        Child<QPushButton>(m_page.get(), "setParityButton")->click();
        m_page->stop();
        QCOMPARE(m_messages->count(), 1);
        QCOMPARE(m_messages->at(0).at(0).toString(),
                 QStringLiteral("ZEDU-MODBUS模块模块校验设置失败(未发送) !"));
    }

    void twoButtonsInOnePeriodSendOnlyTheSecond() {
        Child<QComboBox>(m_page.get(), "parityList")->setCurrentIndex(2);
        Child<QPushButton>(m_page.get(), "setParityButton")->click();
        Child<QLineEdit>(m_page.get(), "timeField")->setText(QStringLiteral("9999"));
        Child<QPushButton>(m_page.get(), "setTimeButton")->click();
        QTRY_COMPARE(m_messages->count(), 1);
        QCOMPARE(m_messages->at(0).at(0).toString(), QStringLiteral("ZEDU-MODBUS模块模块更改超时设置完成 !"));
        QTest::qWait(2 * SettingsPage::kTickMs);
        QCOMPARE(m_messages->count(), 1);
        QCOMPARE(m_device->config().acquisitionTime, 9999);
        QCOMPARE(m_device->config().parity, 0);
        // The parity on its own, then read back.
        Child<QPushButton>(m_page.get(), "setParityButton")->click();
        QTRY_COMPARE(m_messages->count(), 2);
        QCOMPARE(m_device->config().parity, 2);
        Child<QComboBox>(m_page.get(), "parityList")->setCurrentIndex(0);
        Child<QLineEdit>(m_page.get(), "timeField")->clear();
        Child<QPushButton>(m_page.get(), "readConfigButton")->click();
        QTRY_COMPARE(Child<QLineEdit>(m_page.get(), "timeField")->text(), QStringLiteral("9999"));
        QCOMPARE(Child<QComboBox>(m_page.get(), "parityList")->currentIndex(), 2);
    }

    void addressChangeMovesTheConverter() {
        Child<QLineEdit>(m_page.get(), "addressField")->setText(QStringLiteral(" 0a "));
        Child<QComboBox>(m_page.get(), "rateList")->setCurrentIndex(3);
        Child<QPushButton>(m_page.get(), "setAddressButton")->click();
        QTRY_COMPARE(m_moved->count(), 1);
        const auto moved = m_moved->at(0).at(0).value<tev::link::Converter>();
        QCOMPARE(moved.address, 0x0A);
        QCOMPARE(moved.baud, 19200u);
        QCOMPARE(m_device->config().address, 0x0A);
        QCOMPARE(m_device->config().baudCode, 0x37);
        QCOMPARE(m_messages->back().at(0).toString(),
                 QStringLiteral("ZEDU-MODBUS模块模块更改地址和波特率设置完成 !"));
        // Later exchanges use the new address and rate.
        Child<QLineEdit>(m_page.get(), "timeField")->setText(QStringLiteral("3"));
        Child<QPushButton>(m_page.get(), "setTimeButton")->click();
        QTRY_COMPARE(m_device->config().acquisitionTime, 3);
    }

    void failedAddressChangesKeepTheOldAddress_data() {
        QTest::addColumn<QString>("address"); // 00 is refused with an exception reply
        QTest::addColumn<int>("corrupt");
        QTest::addColumn<int>("drop");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused") << QStringLiteral("00") << 0 << 0 << QStringLiteral("异常应答 03");
        QTest::newRow("corrupted") << QStringLiteral("05") << 1 << 0 << QStringLiteral("校验错误");
        QTest::newRow("silence") << QStringLiteral("06") << 0 << 1 << QStringLiteral("无应答");
    }
    void failedAddressChangesKeepTheOldAddress() {
        QFETCH(QString, address);
        QFETCH(int, corrupt);
        QFETCH(int, drop);
        QFETCH(QString, reason);
        m_line->options().corruptReplies = corrupt;
        m_line->options().dropReplies = drop;
        Child<QLineEdit>(m_page.get(), "addressField")->setText(address);
        Child<QPushButton>(m_page.get(), "setAddressButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 1, 3000);
        QCOMPARE(m_messages->back().at(0).toString(),
                 QStringLiteral("ZEDU-MODBUS模块模块更改地址和波特率设置失败(%1) !").arg(reason));
        QCOMPARE(m_moved->count(), 0);
    }

    void meterListIsReadEditedAndWrittenOnThreeTicks() {
        QStringList shownSerials;
        WhenModal<MeterListDialog>([&shownSerials](MeterListDialog* d) {
            auto* grid = Child<EditableGrid>(d, "meterGrid");
            for (int r = 0; r < grid->rowCount(); ++r)
                shownSerials << grid->item(r, 1)->text();
            grid->writeCell(0, 1, QStringLiteral("12345"));
            grid->writeCell(39, 2, QStringLiteral("03-超声波热量表"));
            Screenshot(d, "meter-list");
            Child<QPushButton>(d, "setButton")->click();
        });
        bool openDuringNotice = false;
        QElapsedTimer clock;
        WhenModal<WaitNotice>([this, &openDuringNotice, &clock](WaitNotice* n) {
            openDuringNotice = m_workspace->meterListOpen();
            clock.start();
            QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 3, 5000);
            n->reject();
        });
        Child<QPushButton>(m_page.get(), "meterListButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 3, 15000);
        QCOMPARE(shownSerials.size(), 40);
        QCOMPARE(shownSerials.at(39), QStringLiteral("000050390107"));
        QVERIFY(openDuringNotice);
        QVERIFY(!m_workspace->meterListOpen());
        const QStringList expected{QStringLiteral("ZEDU-MODBUS模块表设置类型完成 !"),
                                   QStringLiteral("ZEDU-MODBUS模块二级表序列号设置类型完成 !"),
                                   QStringLiteral("ZEDU-MODBUS模块二级表序列号设置类型完成 !")};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(m_messages->at(i).at(0).toString(), expected.at(i));
        // Three consecutive ticks: about two periods between the first and the last report.
        QVERIFY2(clock.elapsed() < 5 * SettingsPage::kTickMs, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(m_device->entry(0).secondary, (std::array<std::uint8_t, 6>{0, 0, 0, 1, 0x23, 0x45}));
        QCOMPARE(m_device->entry(1).secondary, tev::sim::SampleMeters(40, 5000)[1].secondary);
        QCOMPARE(m_device->entry(39).type, 3);
    }

    void staysResponsiveWhileABlockIsOnTheLineAt2400() {
        m_page->stop();
        m_line->stop();
        m_device = std::make_shared<tev::sim::Converter>(
            tev::sim::ConverterConfig{.address = 1, .baudCode = 0x34, .meterCount = 32},
            tev::sim::SampleMeters(32, 7000));
        m_line = std::make_unique<tev::sim::Line>();
        m_line->add(m_device);
        m_line->start();
        qputenv("TEV_COM14", QByteArray::fromStdString(m_line->path()));
        tev::link::Converter slow = Entry();
        slow.baud = 2400;
        slow.config.meterCount = 32;
        m_page->start(slow, {*m_workspace, m_worker, m_notifier});
        // The longest wait between two beats of a 20 ms timer while the list goes out: 192 bytes of
        // secondary addresses take about 0.8 s on the wire.
        QElapsedTimer sinceBeat;
        qint64 longest = 0;
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [&] { longest = std::max(longest, sinceBeat.restart()); });
        WhenModal<MeterListDialog>([](MeterListDialog* d) { Child<QPushButton>(d, "setButton")->click(); });
        WhenModal<WaitNotice>([&](WaitNotice* n) {
            sinceBeat.start();
            beat.start(20);
            QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 2, 10000);
            beat.stop();
            n->reject();
        });
        Child<QPushButton>(m_page.get(), "meterListButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 2, 20000);
        QCOMPARE(m_messages->back().at(0).toString(),
                 QStringLiteral("ZEDU-MODBUS模块二级表序列号设置类型完成 !"));
        QVERIFY2(longest < 250, qPrintable(QString::number(longest)));
    }

  private:
    QTemporaryDir m_dir;
    std::unique_ptr<Workspace> m_workspace;
    PortHub m_worker;
    RecordingNotifier m_notifier;
    std::shared_ptr<tev::sim::Converter> m_device;
    std::unique_ptr<tev::sim::Line> m_line;
    std::unique_ptr<SettingsPage> m_page;
    std::unique_ptr<QSignalSpy> m_messages;
    std::unique_ptr<QSignalSpy> m_moved;
};

QTEST_MAIN(SettingsPageTest)
#include "settings_page_test.moc"
