// The MQTT peers of the collector's tests and benchmark: Debian's mosquitto broker started on a free
// loopback port, and a subscriber (libmosquitto) that keeps the last payload of every topic.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace tev::collect::peers {

// A TCP port on 127.0.0.1 that was free a moment ago.
int FreeLoopbackPort();

class Broker {
  public:
    explicit Broker(int port = FreeLoopbackPort());
    ~Broker();
    Broker(const Broker&) = delete;
    Broker& operator=(const Broker&) = delete;

    // Starts mosquitto and waits until it accepts connections; false when it does not within 5 s.
    bool start();
    void stop();
    // From the next start on, only this user is let in (before start()).
    bool requirePassword(const std::string& user, const std::string& password);
    // From the next start on, only TLS with a new self-signed certificate for 127.0.0.1; its path
    // (the file to trust), empty when openssl failed.
    std::string requireTls();
    int port() const noexcept { return m_port; }

  private:
    void writeConfig(const std::string& access);
    void shareFile(const std::string& file);

    int m_port;
    std::string m_folder;
    int m_pid = -1;
};

using Topics = std::map<std::string, std::string>;

class Subscriber {
  public:
    using Heard = std::function<void(const std::string& topic)>;
    // Subscribes to `filter` at every (re)connection; `heard` (if any) is called for every message on
    // the network thread.
    explicit Subscriber(int port, std::string filter = "tev/#", Heard heard = {});
    ~Subscriber();
    Subscriber(const Subscriber&) = delete;
    Subscriber& operator=(const Subscriber&) = delete;

    // Waits until `done` holds for the topics received, at most `timeout`; false when it did not.
    bool waitFor(const std::function<bool(const Topics&)>& done, std::chrono::milliseconds timeout);
    Topics topics();
    // Every payload of the topic received so far (the latest 1000).
    std::vector<std::string> history(const std::string& topic);
    std::uint64_t messages();
    void forget(); // empties the topics received

  private:
    static void onConnect(mosquitto* handle, void* self, int code);
    static void onMessage(mosquitto* handle, void* self, const mosquitto_message* message);

    std::string m_filter;
    Heard m_heard;
    mosquitto* m_handle = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Topics m_topics;
    std::map<std::string, std::vector<std::string>> m_history;
    std::uint64_t m_messages = 0;
};

} // namespace tev::collect::peers
