#include "tev/collect/mqtt_sink.hpp"

#include <algorithm>
#include <thread>

#include "tev/link/data_poll.hpp"

namespace tev::collect {

std::string ReadingTopic(const std::string& converterName, int entry) {
    const int meters = link::kDataMeterEntries;
    return "tev/" + converterName + "/" +
           (entry < meters ? std::to_string(entry + 1) : "counter/" + std::to_string(entry - meters + 1));
}

MqttSink::MqttSink(const MqttConfig& config, const std::vector<std::string>& converterNames, Notices& notices)
    : m_notices(notices) {
    for (const std::string& name : converterNames)
        m_connections.emplace(name, std::make_unique<MqttConnection>(config, name, notices));
}

bool MqttSink::start() {
    bool ok = true;
    for (auto& [name, connection] : m_connections)
        ok = connection->start() && ok;
    return ok;
}

void MqttSink::take(const ConverterRefresh& refresh) {
    const auto found = m_connections.find(refresh.name);
    if (found == m_connections.end())
        return;
    for (const MeterReading& reading : refresh.readings)
        found->second->publish({ReadingTopic(refresh.name, reading.entry), ReadingPayload(reading)});
}

void MqttSink::finish(std::chrono::milliseconds bound) {
    std::vector<std::thread> finishing;
    for (auto& entry : m_connections)
        finishing.emplace_back([connection = entry.second.get(), bound] { connection->finish(bound); });
    for (std::thread& thread : finishing)
        thread.join();
    const MqttCounts total = counts();
    if (total.dropped > 0 || total.unsent > 0)
        m_notices.say("MQTT: " + std::to_string(total.dropped) +
                      " readings dropped while the broker was away, " + std::to_string(total.unsent) +
                      " not delivered at the end");
}

MqttCounts MqttSink::counts() {
    MqttCounts total;
    for (auto& [name, connection] : m_connections) {
        const MqttCounts one = connection->counts();
        total.published += one.published;
        total.replaced += one.replaced;
        total.dropped += one.dropped;
        total.unsent += one.unsent;
    }
    return total;
}

} // namespace tev::collect
