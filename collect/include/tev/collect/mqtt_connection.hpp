// One converter's connection to the MQTT broker (libmosquitto with its own network thread): its
// readings are published retained with QoS 1 from a bounded queue (PublishQueue) while connected, at
// most kMqttWindow waiting for the broker's acknowledgement. "tev/<name>/status" is "online"
// (retained) while it is connected, and "offline" from its last will or its clean end. A lost
// connection is made again with a growing delay (1 s doubling up to 30 s); meanwhile readings wait
// in the queue.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "tev/collect/publish_queue.hpp"
#include "tev/collect/sink.hpp"
#include "tev/collect/watch_config.hpp"

struct mosquitto;

namespace tev::collect {

inline constexpr int kMqttWindow = 32;

struct MqttCounts {
    std::uint64_t published = 0; // acknowledged by the broker
    std::uint64_t replaced = 0;  // a newer reading of the topic took the waiting one's place
    std::uint64_t dropped = 0;   // the oldest waiting message, dropped for room
    std::size_t unsent = 0;      // still waiting when the connection ended
};

class MqttConnection {
  public:
    MqttConnection(const MqttConfig& config, std::string name, Notices& notices);
    ~MqttConnection();
    MqttConnection(const MqttConnection&) = delete;
    MqttConnection& operator=(const MqttConnection&) = delete;

    // Starts connecting; false (with the reason told) when the settings are refused.
    bool start();
    void publish(Message message);
    // Delivers what waits within `bound`, then says "offline" and disconnects.
    void finish(std::chrono::milliseconds bound);
    MqttCounts counts();
    const std::string& statusTopic() const noexcept { return m_statusTopic; }

  private:
    static void onConnect(mosquitto* handle, void* self, int code);
    static void onDisconnect(mosquitto* handle, void* self, int code);
    static void onPublish(mosquitto* handle, void* self, int mid);
    bool configure();
    void connect();
    void stopConnecting();
    void drain();
    bool send(const Message& message);
    void waitFor(std::chrono::steady_clock::time_point deadline, bool (MqttConnection::*done)() const);
    bool delivered() const { return m_queue.empty() && m_inflight == 0; }
    bool acknowledged() const { return m_inflight == 0 || !m_connected; }

    MqttConfig m_config;
    std::string m_name;
    std::string m_statusTopic;
    Notices& m_notices;
    mosquitto* m_handle = nullptr;
    std::thread m_connector;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    PublishQueue m_queue;
    bool m_stopping = false;
    bool m_looping = false; // the library's network thread runs
    bool m_connected = false;
    bool m_draining = false;
    bool m_lostTold = false;
    int m_inflight = 0;
    std::uint64_t m_published = 0;
};

} // namespace tev::collect
