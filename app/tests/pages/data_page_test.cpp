// The data page "模块显示" against a simulated converter on a pseudo-terminal.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>
#include <mutex>

#include "control_lookup.hpp"
#include "core/workspace.hpp"
#include "pages/data_page.hpp"
#include "recording_notifier.hpp"
#include "core/port_hub.hpp"
#include "tev/protocol/crc.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

namespace {

constexpr int kPort = 7; // COM7 is mapped to the test's line
constexpr std::int32_t kFirstSerial = 12345670;

// The converter as the line sees it: records each request's start register and count, and can
// answer with exception replies instead.
class Recorder final : public tev::sim::Device {
  public:
    explicit Recorder(std::shared_ptr<tev::sim::Converter> c) : m_converter(std::move(c)) {}
    std::size_t frameLength(std::span<const std::uint8_t> bytes) const override {
        return m_converter->frameLength(bytes);
    }
    tev::sim::Reply answer(std::span<const std::uint8_t> frame, const tev::sim::LineState& line) override {
        {
            std::lock_guard lock(m_mutex);
            if (frame.size() >= 6)
                m_reads.push_back({frame[2] << 8 | frame[3], frame[4] << 8 | frame[5]});
        }
        if (!m_exceptions)
            return m_converter->answer(frame, line);
        std::vector<std::uint8_t> reply = {frame[0], static_cast<std::uint8_t>(frame[1] | 0x80), 0x02};
        const std::uint16_t crc = tev::protocol::ModbusCrc16(reply);
        reply.push_back(static_cast<std::uint8_t>(crc & 0xFF));
        reply.push_back(static_cast<std::uint8_t>(crc >> 8));
        return {reply, reply.size() - 1};
    }
    std::vector<std::pair<int, int>> reads() const {
        std::lock_guard lock(m_mutex);
        return m_reads;
    }
    std::atomic<bool> m_exceptions{false};

  private:
    std::shared_ptr<tev::sim::Converter> m_converter;
    mutable std::mutex m_mutex;
    std::vector<std::pair<int, int>> m_reads;
};

} // namespace

class DataPageTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<tev::sim::Line> m_line;
    std::shared_ptr<tev::sim::Converter> m_converter;
    std::shared_ptr<Recorder> m_recorder;
    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<PortHub> m_worker;
    RecordingNotifier m_notifier;
    std::unique_ptr<DataPage> m_page;

    tev::link::Converter converter(std::uint32_t baud = 9600, bool polled = true) const {
        tev::link::Converter c;
        c.port = kPort;
        c.address = 1;
        c.baud = baud;
        c.polled = polled;
        return c;
    }
    void startPage(const tev::link::Converter& c) {
        m_workspace->setCurrentConverter(c);
        m_page = std::make_unique<DataPage>();
        m_page->start(c, PageContext{*m_workspace, *m_worker, m_notifier});
    }
    QPushButton* button(const char* name) const { return Child<QPushButton>(m_page.get(), name); }
    QTimer* timer() const { return Child<QTimer>(m_page.get(), "refreshTimer"); }
    QTableWidget* table() const { return Child<QTableWidget>(m_page.get(), "valueTable"); }
    QString cell(int row, int column) const {
        const QTableWidgetItem* item = table()->item(row, column);
        return item ? item->text() : QString();
    }
    bool linkUp() const {
        const bool up = !Child<QLabel>(m_page.get(), "linkUp")->isHidden();
        // Exactly one of the two indicators is shown.
        if (up == !Child<QLabel>(m_page.get(), "linkDown")->isHidden())
            qFatal("both or neither link indicator shown");
        return up;
    }
    QString statusText() const { return Child<QLineEdit>(m_page.get(), "statusCode")->text(); }
    // "不循环刷新" and "刷新开始": one poll about 100 ms later.
    void refreshOnce() {
        if (button("stopButton")->isEnabled())
            button("stopButton")->click();
        Child<QRadioButton>(m_page.get(), "singleMode")->click();
        button("startButton")->click();
    }
    void pollOnce() {
        QSignalSpy polled(m_page.get(), &DataPage::polled);
        refreshOnce();
        QVERIFY(polled.wait(3000));
    }

  private slots:
    void init() {
        tev::sim::ConverterConfig config;
        config.meterCount = 8;
        m_converter = std::make_shared<tev::sim::Converter>(config, tev::sim::SampleMeters(8, kFirstSerial));
        m_recorder = std::make_shared<Recorder>(m_converter);
        m_line = std::make_unique<tev::sim::Line>();
        m_line->add(m_recorder);
        m_line->start();
        qputenv("TEV_COM7", m_line->path().c_str());
        m_workspace = std::make_unique<Workspace>();
        m_workspace->setFound(true);
        m_workspace->setPagesRunning(true);
        m_worker = std::make_unique<PortHub>();
    }
    void cleanup() {
        m_page.reset();
        m_worker.reset();
        m_line->stop();
    }

    void showsTheSelectedEntry() {
        startPage(converter());
        auto record = m_converter->entry(2);
        record.link = 1;
        record.status = 0x1B;
        m_converter->setEntry(2, record);
        Child<QComboBox>(m_page.get(), "entryBox")->setCurrentIndex(2);
        QCOMPARE(Child<QComboBox>(m_page.get(), "entryBox")->count(), 72);
        QCOMPARE(Child<QComboBox>(m_page.get(), "entryBox")->itemText(2), QStringLiteral("3号表"));
        pollOnce();
        QCOMPARE(m_recorder->reads(), (std::vector<std::pair<int, int>>{{5002, 1}, {8, 4}}));
        QCOMPARE(table()->rowCount(), 2);
        QCOMPARE(cell(0, 2), QStringLiteral("0008"));
        QCOMPARE(cell(1, 2), QStringLiteral("000A"));
        QCOMPARE(cell(0, 1), QStringLiteral("表系列号"));
        QCOMPARE(cell(0, 4), QString::number(kFirstSerial + 2));
        QCOMPARE(cell(1, 5), QStringLiteral("M3"));
        // "%f" of the flow, which grows from 16.5 m3 as the converter runs.
        QVERIFY(QRegularExpression(QStringLiteral("^16\\.5\\d{5}$")).match(cell(1, 4)).hasMatch());
        QVERIFY(linkUp());
        QCOMPARE(statusText(), QStringLiteral("1B"));

        record.link = 0;
        m_converter->setEntry(2, record);
        pollOnce();
        QVERIFY(!linkUp());
    }

    void singleRefreshPollsOnce() {
        startPage(converter());
        QVERIFY(!button("startButton")->isEnabled());
        QCOMPARE(timer()->interval(), 1300);
        refreshOnce();
        QCOMPARE(timer()->interval(), 100);
        QVERIFY(!button("startButton")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(button("startButton")->isEnabled(), 3000);
        QVERIFY(!button("stopButton")->isEnabled());
        QVERIFY(!timer()->isActive());
        QTest::qWait(300);
        QCOMPARE(m_recorder->reads().size(), std::size_t{2});
    }

    void cyclicPeriods_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("period");
        QTest::newRow("2400") << 2400 << 1400;
        QTest::newRow("9600") << 9600 << 500;
        QTest::newRow("115200") << 115200 << 200;
    }
    void cyclicPeriods() {
        QFETCH(int, baud);
        QFETCH(int, period);
        startPage(converter(static_cast<std::uint32_t>(baud)));
        button("stopButton")->click();
        QVERIFY(!timer()->isActive());
        Child<QRadioButton>(m_page.get(), "singleMode")->click();
        Child<QRadioButton>(m_page.get(), "cyclicMode")->click();
        QVERIFY(!timer()->isActive()); // the radio buttons alone never start the timer
        button("startButton")->click();
        QCOMPARE(timer()->interval(), period);
        QVERIFY(timer()->isActive());
    }

    void unpolledEntryStillStopsSingleRefresh() {
        startPage(converter(9600, false));
        refreshOnce();
        QTRY_VERIFY_WITH_TIMEOUT(button("startButton")->isEnabled(), 2000);
        QVERIFY(m_recorder->reads().empty());
    }

    void noPollingWhileTheMeterListIsOpen() {
        startPage(converter());
        pollOnce();
        const QString serial = cell(0, 4);
        m_workspace->setMeterListOpen(true);
        refreshOnce();
        QTest::qWait(500);
        QCOMPARE(m_recorder->reads().size(), std::size_t{2});
        QCOMPARE(cell(0, 4), serial);
        m_workspace->setMeterListOpen(false);
        QTRY_COMPARE_WITH_TIMEOUT(m_recorder->reads().size(), std::size_t{4}, 2000);
    }

    void badRepliesAreNoReply_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("corrupted") << QStringLiteral("corrupt");
        QTest::newRow("exception") << QStringLiteral("exception");
        QTest::newRow("silent") << QStringLiteral("drop");
    }
    void badRepliesAreNoReply() {
        QFETCH(QString, fault);
        startPage(converter());
        pollOnce();
        QVERIFY(linkUp());
        QVERIFY(!cell(0, 4).isEmpty());
        if (fault == QStringLiteral("corrupt"))
            m_line->options().corruptReplies = -1;
        else if (fault == QStringLiteral("drop"))
            m_line->options().dropReplies = -1;
        else
            m_recorder->m_exceptions = true;
        pollOnce();
        QVERIFY(!linkUp());
        QCOMPARE(statusText(), QString());
        QCOMPARE(table()->rowCount(), 2);
        for (int column = 1; column <= 4; ++column)
            QCOMPARE(cell(0, column), QString());
        QCOMPARE(cell(0, 0), QStringLiteral("0"));
        QCOMPARE(cell(1, 5), QStringLiteral("M3"));
    }

    void windowRunsWhileAPollIsOnTheLine() {
        m_line->options().dropReplies = -1; // each poll waits out both 150 ms timeouts
        startPage(converter());
        m_page->show();
        int beats = 0;
        QTimer beat;
        connect(&beat, &QTimer::timeout, [&] {
            ++beats;
            m_page->repaint();
        });
        beat.start(10);
        QSignalSpy polled(m_page.get(), &DataPage::polled);
        QElapsedTimer clock;
        clock.start();
        refreshOnce();
        QVERIFY(polled.wait(3000));
        QVERIFY(clock.elapsed() >= 300);
        QVERIFY2(beats >= 15, qPrintable(QString::number(beats)));
    }

    // With TEV_SCREENSHOT_DIR set: the page after a poll of "3号表", saved as data-page.png.
    void screenshot() {
        const QByteArray dir = qgetenv("TEV_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("TEV_SCREENSHOT_DIR not set");
        startPage(converter());
        Child<QComboBox>(m_page.get(), "entryBox")->setCurrentIndex(2);
        m_page->resize(520, 360);
        m_page->show();
        pollOnce();
        Child<QRadioButton>(m_page.get(), "cyclicMode")->click();
        QVERIFY(m_page->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/data-page.png")));
    }
};

QTEST_MAIN(DataPageTest)
#include "data_page_test.moc"
