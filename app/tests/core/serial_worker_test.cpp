// The serial thread's jobs: order, cancellation, wake-up, and results that reach only live receivers.
#include <QElapsedTimer>
#include <QtTest>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/serial_worker.hpp"

namespace {

// A job that blocks like a receive on a silent line until it is woken or its time is up.
class BlockingReceive {
  public:
    bool wait(std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        return m_woken.wait_for(lock, timeout, [this] { return m_wake; });
    }
    void wake() {
        {
            std::lock_guard lock(m_mutex);
            m_wake = true;
        }
        m_woken.notify_all();
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_woken;
    bool m_wake = false;
};

} // namespace

class SerialWorkerTest : public QObject {
    Q_OBJECT
  private slots:
    void jobsRunInOrderOffTheUserInterfaceThread();
    void cancelledOrReplacedJobsNeverDeliver();
    void closingDuringALongReceiveReturnsAtOnce();
    void deletedReceiverGetsNothing();
};

void SerialWorkerTest::jobsRunInOrderOffTheUserInterfaceThread() {
    SerialWorker worker;
    QObject receiver;
    QList<int> results;
    std::atomic<bool> offThread{true};
    const auto ui = std::this_thread::get_id();
    JobToken last;
    for (int i = 0; i < 5; ++i)
        last = worker.run<int>(
            &receiver,
            [i, ui, &offThread] {
                offThread = offThread && std::this_thread::get_id() != ui;
                return i;
            },
            [&results](int r) { results << r; });
    QVERIFY(last.active());
    QTRY_COMPARE(results, (QList<int>{0, 1, 2, 3, 4}));
    QVERIFY(offThread);
    QVERIFY(!last.active());
    QCOMPARE(worker.pending(), 0);
}

void SerialWorkerTest::cancelledOrReplacedJobsNeverDeliver() {
    SerialWorker worker;
    QObject receiver;
    BlockingReceive gate;
    QList<int> delivered;
    std::atomic<int> ran{0};
    // The first job holds the thread, so the next ones wait in the queue.
    JobToken running = worker.run<int>(
        &receiver,
        [&] {
            ++ran;
            gate.wait(std::chrono::seconds(5));
            return 1;
        },
        [&](int r) { delivered << r; });
    QTRY_COMPARE(ran.load(), 1);
    JobToken queued = worker.run<int>(&receiver, [&] { ++ran; return 2; }, [&](int r) { delivered << r; });
    // A newer poll replaces the queued one.
    queued.cancel();
    JobToken newer = worker.run<int>(&receiver, [&] { ++ran; return 3; }, [&](int r) { delivered << r; });
    QVERIFY(!queued.active());
    running.cancel(); // its result is dropped once the job ends
    gate.wake();
    QTRY_COMPARE(delivered, QList<int>{3});
    QCOMPARE(ran.load(), 2); // the replaced job never ran
    QTest::qWait(50);
    QCOMPARE(delivered, QList<int>{3});
}

void SerialWorkerTest::closingDuringALongReceiveReturnsAtOnce() {
    auto gate = std::make_shared<BlockingReceive>();
    auto worker = std::make_unique<SerialWorker>();
    QObject receiver;
    bool delivered = false;
    worker->run<bool>(
        &receiver, [gate] { return gate->wait(std::chrono::seconds(10)); }, [&](bool) { delivered = true; },
        [gate] { gate->wake(); });
    QTRY_COMPARE(worker->pending(), 1);
    QTest::qWait(50); // the job is now blocked in its receive
    QElapsedTimer clock;
    clock.start();
    worker.reset();
    QVERIFY2(clock.elapsed() < 200, qPrintable(QString::number(clock.elapsed())));
    QTest::qWait(20);
    QVERIFY(!delivered);
}

void SerialWorkerTest::deletedReceiverGetsNothing() {
    SerialWorker worker;
    auto receiver = std::make_unique<QObject>();
    bool delivered = false;
    JobToken token = worker.run<int>(receiver.get(), [] { return 7; }, [&](int) { delivered = true; });
    receiver.reset();
    QTRY_COMPARE(worker.pending(), 0);
    QVERIFY(!delivered);
}

QTEST_MAIN(SerialWorkerTest)
#include "serial_worker_test.moc"
