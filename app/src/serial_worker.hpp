// The one thread that talks on serial lines. Jobs run in the order they are handed in; each result
// comes back to the user-interface thread, so that thread never waits on a line.
#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

class SerialWorker final : public QObject {
    Q_OBJECT
  public:
    explicit SerialWorker(QObject* parent = nullptr);
    // Waits for the job that runs (at most its receive timeout), drops the queued ones.
    ~SerialWorker() override;

    // Runs job on the serial thread, then done(result) on the user-interface thread, unless
    // receiver was deleted meanwhile.
    template <class Result>
    void run(QObject* receiver, std::function<Result()> job, std::function<void(Result)> done) {
        ++*m_pending;
        QPointer<QObject> guard(receiver);
        QMetaObject::invokeMethod(
            m_runner,
            [pending = m_pending, guard, job = std::move(job), done = std::move(done)]() mutable {
                Result result = job();
                // Posted to the application object, which lives on the user-interface thread: the
                // guard is tested there, where receivers are deleted.
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [pending, guard, done = std::move(done), result = std::move(result)]() mutable {
                        --*pending;
                        if (guard)
                            done(std::move(result));
                    },
                    Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    }

    // Jobs handed in whose results have not come back yet.
    int pending() const { return *m_pending; }

  private:
    QThread m_thread;
    QObject* m_runner = nullptr;
    std::shared_ptr<std::atomic<int>> m_pending = std::make_shared<std::atomic<int>>(0);
};
