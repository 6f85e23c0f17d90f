// The messages waiting for the broker, bounded. A message for a topic that already waits replaces the
// waiting one in its place (the newer reading of a meter makes the older one worthless); when the
// queue is full, the oldest message is dropped to make room. Both are counted. Not thread-safe: the
// MQTT connection guards it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace tev::collect {

struct Message {
    std::string topic;
    std::string payload;
};

class PublishQueue {
  public:
    explicit PublishQueue(std::size_t bound) : m_bound(bound == 0 ? 1 : bound) {}

    void push(Message message);
    // Puts a message that could not be handed on back in front, unless a newer one of its topic waits
    // (then it is counted as replaced) or the queue is full (then it is counted as dropped).
    void pushFront(Message message);
    std::optional<Message> pop();

    std::size_t size() const noexcept { return m_messages.size(); }
    bool empty() const noexcept { return m_messages.empty(); }
    std::uint64_t replaced() const noexcept { return m_replaced; }
    std::uint64_t dropped() const noexcept { return m_dropped; }

  private:
    std::deque<Message>::iterator find(const std::string& topic);

    std::size_t m_bound;
    std::deque<Message> m_messages;
    std::uint64_t m_replaced = 0;
    std::uint64_t m_dropped = 0;
};

} // namespace tev::collect
