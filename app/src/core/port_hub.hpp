// The serial side owns the ports. One session per port number: the client (open device, rate and
// parity, late-reply state) and a thread of its own, so exchanges on one port take turns and
// different ports run in parallel. Pages and tools borrow a port with a lease and never open or
// close a device themselves: the session's thread opens it for the first exchange that needs it and
// closes it once the last lease is returned.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "core/serial_worker.hpp"
#include "tev/link/serial_client.hpp"

class PortHub;

// A borrowed port. Move-only; returning it (destruction, reset, assignment) tells the hub.
class PortLease {
  public:
    PortLease() = default;
    PortLease(PortLease&& other) noexcept { *this = std::move(other); }
    PortLease& operator=(PortLease&& other) noexcept;
    PortLease(const PortLease&) = delete;
    PortLease& operator=(const PortLease&) = delete;
    ~PortLease() { reset(); }

    explicit operator bool() const noexcept { return m_client != nullptr; }
    std::uint8_t port() const noexcept { return m_port; }
    // Returns the port to the hub now.
    void reset();

    // Runs job with the port's client on the port's thread, after every job handed in before on this
    // port; done(result) follows on the user-interface thread while receiver lives and the token is
    // not cancelled. Cancelling the token calls alsoWake (may be empty) and wakes the job's exchange.
    template <class Result>
    JobToken run(QObject* receiver, std::function<Result(tev::link::SerialClient&)> job,
                 std::function<void(Result)> done, std::function<void()> alsoWake = {}) {
        if (!m_worker)
            return {};
        std::weak_ptr<tev::link::SerialClient> weak = m_client;
        return m_worker->run<Result>(
            receiver, [client = m_client, job = std::move(job)] { return job(*client); }, std::move(done),
            [weak, alsoWake = std::move(alsoWake)] {
                if (alsoWake)
                    alsoWake();
                if (const auto client = weak.lock())
                    client->cancel();
            });
    }

  private:
    friend class PortHub;
    PortLease(PortHub* hub, std::uint8_t port, std::shared_ptr<tev::link::SerialClient> client,
              SerialWorker* worker)
        : m_hub(hub), m_port(port), m_client(std::move(client)), m_worker(worker) {}

    QPointer<PortHub> m_hub;
    std::uint8_t m_port = 0;
    std::shared_ptr<tev::link::SerialClient> m_client;
    QPointer<SerialWorker> m_worker;
};

class PortHub final : public QObject {
    Q_OBJECT
  public:
    explicit PortHub(QObject* parent = nullptr) : QObject(parent) {}
    // Ends every port's thread (waking what runs there); the clients close their ports.
    ~PortHub() override;

    // Borrows port `port` (1..255).
    PortLease lease(std::uint8_t port);

    // Leases of a port not yet returned.
    int leases(std::uint8_t port) const;
    // Jobs handed in on any port whose results have not come back (or been dropped) yet.
    int pending() const;
    // Called on the port's own thread right after the port was closed because its last lease went.
    void setClosedHook(std::function<void(std::uint8_t port)> hook) { m_closedHook = std::move(hook); }

  private:
    friend class PortLease;
    struct Session {
        std::shared_ptr<tev::link::SerialClient> client = std::make_shared<tev::link::SerialClient>();
        std::unique_ptr<SerialWorker> worker = std::make_unique<SerialWorker>();
        int leases = 0;
    };
    void release(std::uint8_t port);

    std::map<std::uint8_t, Session> m_sessions;
    std::function<void(std::uint8_t)> m_closedHook;
};
