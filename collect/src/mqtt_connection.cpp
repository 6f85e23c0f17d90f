#include "tev/collect/mqtt_connection.hpp"

#include <mosquitto.h>

#include <algorithm>

namespace tev::collect {
namespace {

constexpr std::string_view kOnline = "online";
constexpr std::string_view kOffline = "offline";
constexpr unsigned kFirstRetryS = 1;
constexpr unsigned kLastRetryS = 30;
// The "offline" status at the end may take this long beyond the bound for delivery.
constexpr auto kFarewell = std::chrono::milliseconds(500);

const char* Optional(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

void InitLibrary() {
    static const int init = mosquitto_lib_init();
    (void)init;
}

} // namespace

MqttConnection::MqttConnection(const MqttConfig& config, std::string name, Notices& notices)
    : m_config(config), m_name(std::move(name)), m_statusTopic("tev/" + m_name + "/status"),
      m_notices(notices), m_queue(config.queue) {
    InitLibrary();
    m_handle = mosquitto_new((m_config.clientId + "-" + m_name).c_str(), true, this);
}

MqttConnection::~MqttConnection() {
    stopConnecting();
    if (m_looping) {
        mosquitto_disconnect(m_handle);
        mosquitto_loop_stop(m_handle, false);
    }
    if (m_handle != nullptr)
        mosquitto_destroy(m_handle);
}

bool MqttConnection::configure() {
    const MqttConfig& c = m_config;
    int code = mosquitto_will_set(m_handle, m_statusTopic.c_str(), static_cast<int>(kOffline.size()),
                                  kOffline.data(), 1, true);
    if (code == MOSQ_ERR_SUCCESS && !c.username.empty())
        code = mosquitto_username_pw_set(m_handle, c.username.c_str(), Optional(c.password));
    if (code == MOSQ_ERR_SUCCESS && c.tls) {
        code = mosquitto_tls_set(m_handle, Optional(c.tls->cafile), Optional(c.tls->capath),
                                 Optional(c.tls->certfile), Optional(c.tls->keyfile), nullptr);
        if (code == MOSQ_ERR_SUCCESS)
            code = mosquitto_tls_insecure_set(m_handle, c.tls->insecure);
    }
    if (code != MOSQ_ERR_SUCCESS) {
        m_notices.say("MQTT " + m_name + ": " + mosquitto_strerror(code));
        return false;
    }
    mosquitto_connect_callback_set(m_handle, &MqttConnection::onConnect);
    mosquitto_disconnect_callback_set(m_handle, &MqttConnection::onDisconnect);
    mosquitto_publish_callback_set(m_handle, &MqttConnection::onPublish);
    mosquitto_reconnect_delay_set(m_handle, kFirstRetryS, kLastRetryS, true);
    mosquitto_max_inflight_messages_set(m_handle, kMqttWindow + 1);
    return true;
}

bool MqttConnection::start() {
    if (m_handle == nullptr) {
        m_notices.say("MQTT " + m_name + ": no client (out of memory or a bad client id)");
        return false;
    }
    if (!configure())
        return false;
    m_connector = std::thread([this] { connect(); });
    return true;
}

// The library makes a lost connection again by itself, but not a first one that failed at once
// (a broker not running yet): that one is tried here, with the same growing delay.
void MqttConnection::connect() {
    auto delay = std::chrono::seconds(kFirstRetryS);
    bool told = false;
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        lock.unlock();
        const int code =
            mosquitto_connect_async(m_handle, m_config.host.c_str(), m_config.port, m_config.keepalive);
        if (code == MOSQ_ERR_SUCCESS && mosquitto_loop_start(m_handle) == MOSQ_ERR_SUCCESS) {
            lock.lock();
            m_looping = true;
            return;
        }
        if (!told)
            m_notices.say("MQTT " + m_name + ": " + m_config.host + ":" + std::to_string(m_config.port) +
                          ": " + mosquitto_strerror(code) + ", trying again");
        told = true;
        lock.lock();
        m_changed.wait_for(lock, delay, [this] { return m_stopping; });
        delay = std::min(delay * 2, std::chrono::seconds(kLastRetryS));
    }
}

void MqttConnection::stopConnecting() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_connector.joinable())
        m_connector.join();
}

void MqttConnection::publish(Message message) {
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push(std::move(message));
    }
    drain();
}

bool MqttConnection::send(const Message& message) {
    const int code =
        mosquitto_publish(m_handle, nullptr, message.topic.c_str(), static_cast<int>(message.payload.size()),
                          message.payload.data(), 1, true);
    return code == MOSQ_ERR_SUCCESS;
}

// One thread at a time hands the queue on in order, so a newer reading never overtakes an older one.
void MqttConnection::drain() {
    std::unique_lock lock(m_mutex);
    if (m_draining)
        return;
    m_draining = true;
    while (m_connected && m_inflight < kMqttWindow && !m_queue.empty()) {
        Message message = *m_queue.pop();
        ++m_inflight;
        lock.unlock();
        const bool sent = send(message);
        lock.lock();
        if (!sent) {
            --m_inflight;
            m_queue.pushFront(std::move(message));
            break;
        }
    }
    m_draining = false;
}

void MqttConnection::onConnect(mosquitto* handle, void* self, int code) {
    auto& connection = *static_cast<MqttConnection*>(self);
    if (code != 0) {
        connection.m_notices.say("MQTT " + connection.m_name +
                                 ": the broker refused: " + mosquitto_connack_string(code));
        return;
    }
    {
        const std::lock_guard lock(connection.m_mutex);
        connection.m_connected = true;
        connection.m_lostTold = false;
        connection.m_inflight = 1; // what was in flight before is sent again by the library
    }
    mosquitto_publish(handle, nullptr, connection.m_statusTopic.c_str(), static_cast<int>(kOnline.size()),
                      kOnline.data(), 1, true);
    connection.drain();
}

void MqttConnection::onDisconnect(mosquitto* /*handle*/, void* self, int code) {
    auto& connection = *static_cast<MqttConnection*>(self);
    bool tell = false;
    {
        const std::lock_guard lock(connection.m_mutex);
        tell = code != 0 && connection.m_connected && !connection.m_lostTold;
        connection.m_connected = false;
        connection.m_lostTold = connection.m_lostTold || tell;
    }
    connection.m_changed.notify_all();
    if (tell)
        connection.m_notices.say("MQTT " + connection.m_name + ": connection lost, trying again");
}

void MqttConnection::onPublish(mosquitto* /*handle*/, void* self, int /*mid*/) {
    auto& connection = *static_cast<MqttConnection*>(self);
    {
        const std::lock_guard lock(connection.m_mutex);
        if (connection.m_inflight > 0)
            --connection.m_inflight;
        ++connection.m_published;
    }
    connection.m_changed.notify_all();
    connection.drain();
}

void MqttConnection::waitFor(std::chrono::steady_clock::time_point deadline,
                             bool (MqttConnection::*done)() const) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_until(lock, deadline, [&] { return (this->*done)(); });
}

void MqttConnection::finish(std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    drain();
    waitFor(deadline, &MqttConnection::delivered);
    stopConnecting();
    if (!m_looping)
        return;
    bool connected = false;
    {
        const std::lock_guard lock(m_mutex);
        connected = m_connected;
        if (connected)
            ++m_inflight;
    }
    if (connected) {
        mosquitto_publish(m_handle, nullptr, m_statusTopic.c_str(), static_cast<int>(kOffline.size()),
                          kOffline.data(), 1, true);
        waitFor(std::max(deadline, std::chrono::steady_clock::now()) + kFarewell,
                &MqttConnection::acknowledged);
    }
    mosquitto_disconnect(m_handle);
    mosquitto_loop_stop(m_handle, false);
    m_looping = false;
}

MqttCounts MqttConnection::counts() {
    const std::lock_guard lock(m_mutex);
    return {m_published, m_queue.replaced(), m_queue.dropped(), m_queue.size()};
}

} // namespace tev::collect
