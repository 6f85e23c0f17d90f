#include "port_hub.hpp"

PortLease& PortLease::operator=(PortLease&& other) noexcept {
    if (this != &other) {
        reset();
        m_hub = std::exchange(other.m_hub, nullptr);
        m_port = std::exchange(other.m_port, 0);
        m_client = std::move(other.m_client);
        m_worker = std::exchange(other.m_worker, nullptr);
    }
    return *this;
}

void PortLease::reset() {
    if (!m_client)
        return;
    m_client.reset();
    m_worker = nullptr;
    if (PortHub* hub = std::exchange(m_hub, nullptr))
        hub->release(m_port);
}

PortHub::~PortHub() {
    // Each session's worker wakes and drops its jobs and ends its thread; the clients then close.
    m_sessions.clear();
}

PortLease PortHub::lease(std::uint8_t port) {
    Session& session = m_sessions[port];
    ++session.leases;
    return PortLease(this, port, session.client, session.worker.get());
}

int PortHub::leases(std::uint8_t port) const {
    const auto it = m_sessions.find(port);
    return it == m_sessions.end() ? 0 : it->second.leases;
}

int PortHub::pending() const {
    int jobs = 0;
    for (const auto& [port, session] : m_sessions)
        jobs += session.worker->pending();
    return jobs;
}

void PortHub::release(std::uint8_t port) {
    const auto it = m_sessions.find(port);
    if (it == m_sessions.end() || --it->second.leases > 0)
        return;
    // Closed on the port's thread, after every exchange still queued there.
    it->second.worker->run<int>(
        this,
        [client = it->second.client, hook = m_closedHook, port] {
            client->close();
            if (hook)
                hook(port);
            return 0;
        },
        [](int) {});
}
