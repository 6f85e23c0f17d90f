// Readings to an MQTT broker: every meter's reading of every refresh is published retained with
// QoS 1 as "tev/<converter name>/<meter 1..64>" or "tev/<converter name>/counter/<1..8>" with
// ReadingPayload's JSON. Each converter has a connection of its own (MqttConnection), so its status
// topic carries its own last will.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tev/collect/mqtt_connection.hpp"
#include "tev/collect/sink.hpp"
#include "tev/collect/watch_config.hpp"

namespace tev::collect {

// "tev/building-a/17" for meter 17 (entry 16), "tev/building-a/counter/2" for counter 2 (entry 65).
std::string ReadingTopic(const std::string& converterName, int entry);

class MqttSink final : public Sink {
  public:
    MqttSink(const MqttConfig& config, const std::vector<std::string>& converterNames, Notices& notices);
    // Starts every connection; false when one was refused its settings.
    bool start();
    void take(const ConverterRefresh& refresh) override;
    // Delivers what waits within `bound` (all connections together) and says what was lost.
    void finish(std::chrono::milliseconds bound) override;
    MqttCounts counts();

  private:
    std::map<std::string, std::unique_ptr<MqttConnection>> m_connections;
    Notices& m_notices;
};

} // namespace tev::collect
