// The page "全部表数据" against a simulated converter on a pseudo-terminal.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "control_lookup.hpp"
#include "core/port_hub.hpp"
#include "core/workspace.hpp"
#include "pages/overview_page.hpp"
#include "recording_notifier.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

namespace {

constexpr int kPort = 8; // COM8 is mapped to the test's line
constexpr int kMeters = 8;
constexpr std::int32_t kFirstSerial = 30000000;

} // namespace

class OverviewPageTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<tev::sim::Line> m_line;
    std::shared_ptr<tev::sim::Converter> m_converter;
    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<PortHub> m_worker;
    RecordingNotifier m_notifier;
    std::unique_ptr<OverviewPage> m_page;
    QTemporaryDir m_dir;

    void startPage(std::uint32_t baud = 9600, int meters = kMeters) {
        tev::link::Converter c;
        c.port = kPort;
        c.address = 1;
        c.baud = baud;
        c.config.meterCount = static_cast<std::uint8_t>(meters);
        m_workspace->setCurrentConverter(c);
        m_page = std::make_unique<OverviewPage>();
        m_page->start(c, PageContext{*m_workspace, *m_worker, m_notifier});
    }
    QTableWidget* table() const { return Child<QTableWidget>(m_page.get(), "overviewTable"); }
    QString cell(int row, int column) const {
        const QTableWidgetItem* item = table()->item(row, column);
        return item ? item->text() : QString();
    }
    void refreshOnce() {
        QSignalSpy refreshed(m_page.get(), &OverviewPage::refreshed);
        if (!Child<QPushButton>(m_page.get(), "overviewStart")->isEnabled())
            Child<QPushButton>(m_page.get(), "overviewStop")->click();
        Child<QPushButton>(m_page.get(), "overviewStart")->click(); // refreshes at once
        QVERIFY(refreshed.wait(5000));
        Child<QPushButton>(m_page.get(), "overviewStop")->click();
    }

    // The CSV log of three refreshes of showsEveryMeterAndLogsIt: the second, without a sound reply, leaves
    // values out.
    void checkLogOfThreeRefreshes() {
        QDir dir(m_dir.path());
        const QStringList files = dir.entryList({QStringLiteral("overview-*.csv")});
        QCOMPARE(files.size(), 1);
        QFile file(dir.filePath(files.front()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 1 + 3 * 16 + 1); // header, three refreshes, nothing after the last line end
        QVERIFY(lines[1].contains(",01,1号表,300000000107,01,通,00,30000000,"));
        QVERIFY(lines[17].endsWith(",01,1号表,300000000107,01,,,,\r"));
    }

  private slots:
    void init() {
        tev::sim::ConverterConfig config;
        config.meterCount = kMeters;
        m_converter =
            std::make_shared<tev::sim::Converter>(config, tev::sim::SampleMeters(kMeters, kFirstSerial));
        m_line = std::make_unique<tev::sim::Line>();
        m_line->add(m_converter);
        m_line->start();
        qputenv("TEV_COM8", m_line->path().c_str());
        m_workspace = std::make_unique<Workspace>();
        m_workspace->setFound(true);
        m_workspace->setPagesRunning(true);
        m_workspace->setTypeNames({"01-HEDE", "02-KAMSTRUP"});
        m_worker = std::make_unique<PortHub>();
        m_notifier.m_shown->clear();
    }
    void cleanup() {
        m_page.reset();
        m_worker.reset();
        m_line->stop();
    }

    void showsEveryMeterAndLogsIt() {
        auto still = m_converter->entry(1);
        still.flowPerHour = 0; // a meter whose reading does not change
        m_converter->setEntry(1, still);
        startPage();
        m_page->setLogFolder(m_dir.path());
        Child<QCheckBox>(m_page.get(), "logBox")->setChecked(true);
        refreshOnce();
        QCOMPARE(table()->rowCount(), kMeters + 8);
        QCOMPARE(cell(0, 0), QStringLiteral("1号表"));
        QCOMPARE(cell(0, 1), QStringLiteral("300000000107"));
        QCOMPARE(cell(0, 2), QStringLiteral("01-HEDE"));
        QCOMPARE(cell(5, 3), QStringLiteral(" 断")); // every seventh sample meter is out of reach
        QCOMPARE(cell(2, 5), QString::number(kFirstSerial + 2));
        QCOMPARE(cell(kMeters, 0), QStringLiteral("1号计数器"));

        // A damaged reply to every block: the rows keep their values, greyed, and the log leaves them out.
        auto record = m_converter->entry(0);
        record.serial = 99;
        m_converter->setEntry(0, record);
        m_line->options().corruptReplies = -1;
        QSignalSpy messages(m_page.get(), &ConverterPage::message);
        refreshOnce();
        QCOMPARE(cell(0, 5), QString::number(kFirstSerial));
        QCOMPARE(table()->item(0, 5)->foreground().color(), QColor(0x90, 0x90, 0x90));
        QCOMPARE(messages.count(), 1);
        m_line->options().corruptReplies = 0;
        refreshOnce();
        QCOMPARE(cell(0, 5), QStringLiteral("00000099"));
        QVERIFY(table()->item(0, 5)->background().style() != Qt::NoBrush); // changed: highlighted
        QCOMPARE(table()->item(1, 5)->background().style(), Qt::NoBrush);
        checkLogOfThreeRefreshes();
    }

    void periodNeverBelowTheWireTime() {
        startPage(2400, 64); // 772 bytes a refresh: 3.2 s on the wire
        QCOMPARE(m_page->minimumPeriodMs(), 3300);
        auto* box = Child<QComboBox>(m_page.get(), "periodBox");
        QCOMPARE(box->currentData().toInt(), 5000);
        const auto* model = qobject_cast<QStandardItemModel*>(box->model());
        QVERIFY(!model->item(0)->isEnabled());
        QVERIFY(!model->item(1)->isEnabled());
        QVERIFY(model->item(2)->isEnabled());
    }

    void pausesWhileTheMeterListIsOpen() {
        startPage();
        m_workspace->setMeterListOpen(true);
        Child<QPushButton>(m_page.get(), "overviewStart")->click();
        QTest::qWait(300);
        QCOMPARE(m_line->options().framesHeard.load(), 0u);
        m_workspace->setMeterListOpen(false);
        QSignalSpy refreshed(m_page.get(), &OverviewPage::refreshed);
        QVERIFY(refreshed.wait(5000));
        m_page->stop();
        const unsigned heard = m_line->options().framesHeard;
        QTest::qWait(2500);
        QCOMPARE(m_line->options().framesHeard.load(), heard);
    }

    void unwritableFolderIsRefused() {
        startPage();
        m_page->setLogFolder(m_dir.filePath(QStringLiteral("missing")));
        Child<QCheckBox>(m_page.get(), "logBox")->setChecked(true);
        QVERIFY(!Child<QCheckBox>(m_page.get(), "logBox")->isChecked());
        QCOMPARE(m_notifier.m_shown->size(), std::size_t{1});
        QVERIFY(m_notifier.m_shown->front().text.contains(QStringLiteral("missing")));
    }

    // Last: what is learnt about a converter stays for the rest of the program's run.
    void refusedBlockSizesAreRemembered() {
        m_converter->setReadLimit(20, 0x02);
        startPage();
        refreshOnce();
        QCOMPARE(cell(7, 5), QString::number(kFirstSerial + 7));
        startPage(); // the pages of the same converter built anew
        for (const auto& block : m_page->overview().nextPlan())
            QVERIFY(block.count <= 20);
    }
};

QTEST_MAIN(OverviewPageTest)
#include "overview_page_test.moc"
