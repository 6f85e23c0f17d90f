#include "tev/collect/collector.hpp"

#include "tev/cli/port_option.hpp"
#include "tev/collect/csv_sink.hpp"
#include "tev/collect/json_sink.hpp"

namespace tev::collect {

Collector::Collector(WatchConfig config, std::ostream& out, Notices& notices,
                     std::vector<std::unique_ptr<Sink>> extra)
    : m_config(std::move(config)), m_out(out), m_notices(notices), m_sinks(std::move(extra)) {}

bool Collector::resolvePorts(std::vector<std::uint8_t>& ports, std::string& problem) {
    std::uint8_t spare = cli::kFirstSparePort;
    for (const LineConfig& line : m_config.lines) {
        const cli::PortChoice choice = cli::ResolvePortOption(line.port, spare);
        if (!choice) {
            problem = "line " + line.port + ": " + choice.problem;
            return false;
        }
        if (choice.port == spare)
            --spare;
        ports.push_back(choice.port);
    }
    return true;
}

void Collector::addSinks() {
    std::vector<std::string> names;
    for (const LineConfig& line : m_config.lines)
        for (const ConverterEntry& converter : line.converters)
            names.push_back(converter.name);
    if (m_config.csv)
        m_sinks.push_back(std::make_unique<CsvSink>(m_config.csv->folder, names, m_notices));
    if (m_config.json)
        m_sinks.push_back(std::make_unique<JsonSink>(m_config.json->file, m_out, m_notices));
    if (m_config.mqtt) {
        auto mqtt = std::make_unique<MqttSink>(*m_config.mqtt, names, m_notices);
        m_mqtt = mqtt.get();
        m_sinks.push_back(std::move(mqtt));
    }
}

bool Collector::start(std::string& problem) {
    std::vector<std::uint8_t> ports;
    if (!resolvePorts(ports, problem)) // before any thread of ours runs
        return false;
    addSinks();
    m_running = true;
    if (m_mqtt != nullptr && !m_mqtt->start()) {
        problem = "the MQTT connection was refused its settings";
        return false;
    }
    for (std::size_t i = 0; i < m_config.lines.size(); ++i)
        m_lines.push_back(std::make_unique<LineCollector>(
            m_config.lines[i], ports[i], [this](const ConverterRefresh& refresh) { deliver(refresh); },
            m_notices));
    for (auto& line : m_lines)
        line->start();
    return true;
}

void Collector::stop(std::chrono::milliseconds flushBound) {
    if (!m_running)
        return;
    m_running = false;
    for (auto& line : m_lines)
        line->stop();
    m_lines.clear();
    for (auto& sink : m_sinks)
        sink->finish(flushBound);
}

void Collector::deliver(const ConverterRefresh& refresh) {
    const std::lock_guard lock(m_deliverMutex);
    for (auto& sink : m_sinks)
        sink->take(refresh);
}

MqttCounts Collector::mqttCounts() {
    return m_mqtt != nullptr ? m_mqtt->counts() : MqttCounts{};
}

} // namespace tev::collect
