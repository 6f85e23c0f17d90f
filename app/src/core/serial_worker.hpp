// The one thread that talks on serial lines. Jobs run in the order they are handed in; each result
// comes back to the user-interface thread, so that thread never waits on a line.
//
// Every job has a token. Cancelling it drops the job if it has not started, wakes it through its wake
// call if it runs (a receive blocked on a port returns at once), and in any case keeps its result
// from being delivered. A token is active from run() until its result is delivered or it is
// cancelled, which is what a timer tick asks before it starts the next poll.
#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

class JobToken {
  public:
    JobToken() = default;

    // Queued or running, result not yet delivered, not cancelled.
    bool active() const { return m_state && m_state->active.load(); }
    // Drops the job or its result; wakes it when it runs. Safe on an empty token and repeatedly.
    void cancel();

  private:
    friend class SerialWorker;
    struct State {
        std::atomic<bool> active{true};
        std::atomic<bool> cancelled{false};
        std::atomic<bool> running{false};
        std::function<void()> wake; // set before the job is queued, read-only after
    };
    explicit JobToken(std::shared_ptr<State> state) : m_state(std::move(state)) {}
    std::shared_ptr<State> m_state;
};

class SerialWorker final : public QObject {
    Q_OBJECT
  public:
    explicit SerialWorker(QObject* parent = nullptr);
    // Cancels every job (waking the running one), then ends the thread.
    ~SerialWorker() override;

    // Runs job on the serial thread, then done(result) on the user-interface thread, unless the
    // token was cancelled or receiver was deleted meanwhile. wake (may be empty) is called from the
    // cancelling thread to cut a running job short, e.g. UartCancel(port).
    template <class Result>
    JobToken run(QObject* receiver, std::function<Result()> job, std::function<void(Result)> done,
                 std::function<void()> wake = {}) {
        auto state = std::make_shared<JobToken::State>();
        state->wake = std::move(wake);
        m_jobs->add(state);
        QPointer<QObject> guard(receiver);
        QMetaObject::invokeMethod(
            m_runner,
            [jobs = m_jobs, state, guard, job = std::move(job), done = std::move(done)]() mutable {
                state->running = true;
                if (state->cancelled) {
                    jobs->remove(state);
                    return;
                }
                Result result = job();
                state->running = false;
                // Posted to the application object, which lives on the user-interface thread: the
                // guard and the token are tested there, where receivers are deleted.
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [jobs, state, guard, done = std::move(done), result = std::move(result)]() mutable {
                        jobs->remove(state);
                        if (state->cancelled || !guard)
                            return;
                        state->active = false;
                        done(std::move(result));
                    },
                    Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
        return JobToken(state);
    }

    // Jobs handed in whose results have not come back (or been dropped) yet.
    int pending() const;

  private:
    // The jobs not yet delivered; shared with the posted calls, which may outlive the worker.
    class Jobs {
      public:
        void add(const std::shared_ptr<JobToken::State>& state);
        void remove(const std::shared_ptr<JobToken::State>& state);
        std::set<std::shared_ptr<JobToken::State>> all() const;

      private:
        mutable std::mutex m_mutex;
        std::set<std::shared_ptr<JobToken::State>> m_states;
    };

    QThread m_thread;
    QObject* m_runner = nullptr;
    std::shared_ptr<Jobs> m_jobs = std::make_shared<Jobs>();
};
