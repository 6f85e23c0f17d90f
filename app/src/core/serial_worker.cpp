#include "serial_worker.hpp"

void JobToken::cancel() {
    if (!m_state || m_state->cancelled.exchange(true))
        return;
    m_state->active = false;
    if (m_state->running && m_state->wake)
        m_state->wake();
}

SerialWorker::SerialWorker(QObject* parent) : QObject(parent), m_runner(new QObject) {
    m_thread.setObjectName(QStringLiteral("serial"));
    m_runner->moveToThread(&m_thread);
    m_thread.start();
}

SerialWorker::~SerialWorker() {
    for (const auto& state : m_jobs->all())
        JobToken(state).cancel();
    m_thread.requestInterruption();
    m_thread.quit();
    m_thread.wait();
    delete m_runner;
}

int SerialWorker::pending() const {
    return static_cast<int>(m_jobs->all().size());
}

void SerialWorker::Jobs::add(const std::shared_ptr<JobToken::State>& state) {
    std::lock_guard lock(m_mutex);
    m_states.insert(state);
}

void SerialWorker::Jobs::remove(const std::shared_ptr<JobToken::State>& state) {
    std::lock_guard lock(m_mutex);
    m_states.erase(state);
}

std::set<std::shared_ptr<JobToken::State>> SerialWorker::Jobs::all() const {
    std::lock_guard lock(m_mutex);
    return m_states;
}
