// The serial side's port sessions: a port closed on its own thread once its last user is done, two
// users of one port taking turns, two ports in parallel, and a page that returns its port on stop.
#include <QtTest>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/workspace.hpp"
#include "pages/data_page.hpp"
#include "recording_notifier.hpp"
#include "core/port_hub.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

namespace {

constexpr std::uint8_t kPort = 9;

// A closed-port record: which port, on which thread.
struct Closed {
    std::mutex mutex;
    std::vector<std::pair<std::uint8_t, std::thread::id>> ports;
    int count() {
        std::lock_guard lock(mutex);
        return static_cast<int>(ports.size());
    }
};

} // namespace

class PortHubTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        m_line = std::make_unique<tev::sim::Line>();
        m_line->add(std::make_shared<tev::sim::Converter>(tev::sim::ConverterConfig{.meterCount = 2},
                                                          tev::sim::SampleMeters(2, 1000)));
        m_line->start();
        qputenv("TEV_COM9", m_line->path().c_str());
        m_hub = std::make_unique<PortHub>();
        m_closed = std::make_shared<Closed>();
        m_hub->setClosedHook([closed = m_closed](std::uint8_t port) {
            std::lock_guard lock(closed->mutex);
            closed->ports.emplace_back(port, std::this_thread::get_id());
        });
    }
    void cleanup() {
        m_hub.reset();
        m_line->stop();
    }

    void twoUsersTakeTurnsAndTheLastClosesOnThePortsThread() {
        PortLease page = m_hub->lease(kPort);
        PortLease tool = m_hub->lease(kPort);
        std::thread::id portThread;
        std::atomic<bool> opened{false};
        page.run<int>(
            this,
            [&](tev::link::SerialClient& client) {
                portThread = std::this_thread::get_id();
                opened = client.open({.port = kPort, .baud = 9600}) == 0;
                return 0;
            },
            [](int) {});
        QTRY_VERIFY(opened);
        page.reset(); // the tool still uses the port: it stays open
        std::atomic<bool> stillOpen{false};
        tool.run<int>(
            this,
            [&](tev::link::SerialClient& client) {
                stillOpen = client.isOpen();
                return 0;
            },
            [](int) {});
        QTRY_VERIFY(stillOpen);
        QCOMPARE(m_closed->count(), 0);
        tool.reset();
        QTRY_COMPARE(m_closed->count(), 1);
        QCOMPARE(m_closed->ports.front(), std::make_pair(kPort, portThread));
        QVERIFY(portThread != std::this_thread::get_id());
    }

    // A job on one port waits for a job on another: only ports that run in parallel let it see it.
    void differentPortsRunInParallel() {
        PortLease first = m_hub->lease(1);
        PortLease second = m_hub->lease(2);
        auto met = std::make_shared<std::pair<std::mutex, std::condition_variable>>();
        auto secondRan = std::make_shared<bool>(false);
        std::optional<bool> sawSecond;
        first.run<bool>(
            this,
            [met, secondRan](tev::link::SerialClient&) {
                std::unique_lock lock(met->first);
                return met->second.wait_for(lock, std::chrono::seconds(5), [&] { return *secondRan; });
            },
            [&](bool saw) { sawSecond = saw; });
        second.run<int>(
            this,
            [met, secondRan](tev::link::SerialClient&) {
                std::lock_guard lock(met->first);
                *secondRan = true;
                met->second.notify_all();
                return 0;
            },
            [](int) {});
        QTRY_VERIFY_WITH_TIMEOUT(sawSecond.has_value(), 8000);
        QVERIFY(*sawSecond);
    }

    void aStoppedPageReturnsItsPort() {
        Workspace workspace;
        workspace.setFound(true);
        workspace.setPagesRunning(true);
        RecordingNotifier notifier;
        tev::link::Converter converter;
        converter.port = kPort;
        converter.address = 1;
        converter.baud = 9600;
        converter.polled = true;
        workspace.setCurrentConverter(converter);
        DataPage page;
        QSignalSpy polled(&page, &DataPage::polled);
        page.start(converter, PageContext{workspace, *m_hub, notifier});
        QCOMPARE(m_hub->leases(kPort), 1);
        QVERIFY(polled.wait(3000));
        page.stop();
        QCOMPARE(m_hub->leases(kPort), 0);
        QTRY_COMPARE(m_closed->count(), 1);
    }

  private:
    std::unique_ptr<tev::sim::Line> m_line;
    std::unique_ptr<PortHub> m_hub;
    std::shared_ptr<Closed> m_closed;
};

QTEST_MAIN(PortHubTest)
#include "port_hub_test.moc"
