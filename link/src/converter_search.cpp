#include "tev/link/converter_search.hpp"

#include "tev/link/converter_probe.hpp"
#include "tev/link/settings_file.hpp"

namespace tev::link {

ConverterSearch::Start ConverterSearch::start(const SearchOptions& options) {
    stop();
    m_found.clear();
    m_options = options;
    m_rates.clear();
    for (std::size_t i = 0; i < kSearchRates.size(); ++i)
        if (options.rates[i])
            m_rates.push_back(kSearchRates[i]);
    if (m_rates.empty())
        return Start::NoRate;
    m_running = true;
    return Start::Started;
}

std::optional<Probe> ConverterSearch::next() {
    if (!m_running)
        return std::nullopt;
    if (m_rateCounter >= m_rates.size()) {
        ++m_address;
        m_rateCounter = 0;
    }
    if (m_address > m_lastAddress)
        return std::nullopt;
    Probe probe{static_cast<std::uint8_t>(m_address), m_rates[m_rateCounter], m_options.parity};
    ++m_rateCounter;
    return probe;
}

std::optional<Converter> ConverterSearch::record(const Probe& probe, std::span<const std::uint8_t> reply) {
    if (!m_running || !IsConverterReply(probe.address, reply))
        return std::nullopt;
    m_found.push_back(MakeConverter(settingsFor(probe), probe.address, reply));
    return m_found.back();
}

std::string ConverterSearch::stop() {
    m_running = false;
    m_rates.clear();
    m_rateCounter = 0;
    m_address = 1;
    return CountMessage(m_found.size());
}

SerialSettings ConverterSearch::settingsFor(const Probe& probe) const {
    SerialSettings s;
    s.port = m_options.port;
    s.baud = probe.baud;
    s.parity = probe.parity;
    return s;
}

std::string CountMessage(std::size_t count) {
    return "搜索到" + std::to_string(count) + "个模块";
}

FoundRow MakeFoundRow(const Converter& converter) {
    return {converter.name, ShownAddress(converter) + "(" + std::to_string(converter.address) + ")",
            std::to_string(converter.baud)};
}

bool HasConverterPages(const Converter& converter) {
    return converter.name.find("ZEDU") != std::string::npos;
}

std::string ShownAddress(const Converter& converter) {
    static const char kDigits[] = "0123456789ABCDEF";
    return {kDigits[converter.address >> 4], kDigits[converter.address & 0xF]};
}

std::string TreeLabel(const Converter& converter) {
    return converter.name + " ( 地址:" + ShownAddress(converter) +
           "  波特率:" + std::to_string(converter.baud) + " )";
}

} // namespace tev::link
