#include "tev/collect/publish_queue.hpp"

#include <algorithm>

namespace tev::collect {

std::deque<Message>::iterator PublishQueue::find(const std::string& topic) {
    return std::find_if(m_messages.begin(), m_messages.end(),
                        [&](const Message& m) { return m.topic == topic; });
}

void PublishQueue::push(Message message) {
    if (const auto waiting = find(message.topic); waiting != m_messages.end()) {
        waiting->payload = std::move(message.payload);
        ++m_replaced;
        return;
    }
    if (m_messages.size() >= m_bound) {
        m_messages.pop_front();
        ++m_dropped;
    }
    m_messages.push_back(std::move(message));
}

void PublishQueue::pushFront(Message message) {
    if (find(message.topic) != m_messages.end()) {
        ++m_replaced;
        return;
    }
    if (m_messages.size() >= m_bound) {
        ++m_dropped;
        return;
    }
    m_messages.push_front(std::move(message));
}

std::optional<Message> PublishQueue::pop() {
    if (m_messages.empty())
        return std::nullopt;
    Message message = std::move(m_messages.front());
    m_messages.pop_front();
    return message;
}

} // namespace tev::collect
