#include "demo.hpp"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <string>

#include "tev/link/settings_file.hpp"
#include "tev/sim/converter.hpp"
#include "tev/sim/line.hpp"

namespace {

struct DemoPort {
    int port = 0;
    QString what;
    std::shared_ptr<tev::sim::Line> line;
};

std::shared_ptr<tev::sim::Converter> DemoConverter(std::uint8_t address, std::uint8_t baudCode,
                                                   std::size_t meters, std::int32_t firstSerial) {
    tev::sim::ConverterConfig config;
    config.address = address;
    config.baudCode = baudCode;
    config.meterCount = static_cast<std::uint8_t>(meters);
    config.parity = 1;
    return std::make_shared<tev::sim::Converter>(config, tev::sim::sampleMeters(meters, firstSerial));
}

} // namespace

struct DemoLine::Impl {
    std::vector<DemoPort> ports;
    std::vector<std::uint32_t> converterRates;
};

DemoLine::DemoLine(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

DemoLine::~DemoLine() {
    for (auto& p : m_impl->ports)
        p.line->stop();
}

std::unique_ptr<DemoLine> DemoLine::start(QString* error) {
    auto impl = std::make_unique<Impl>();
    try {
        auto converters = std::make_shared<tev::sim::Line>();
        converters->add(DemoConverter(0x01, 0x36, 8, 12340001));
        converters->add(DemoConverter(0x0A, 0x36, 4, 22340001));
        impl->converterRates = {9600};
        impl->ports.push_back({1, QStringLiteral("转换模块"), converters});
        for (auto& p : impl->ports) {
            p.line->start();
            ::setenv(("TEV_COM" + std::to_string(p.port)).c_str(), p.line->path().c_str(), 1);
        }
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromLocal8Bit(e.what());
        return nullptr;
    }
    return std::unique_ptr<DemoLine>(new DemoLine(std::move(impl)));
}

QStringList DemoLine::describe() const {
    QStringList out;
    for (const auto& p : m_impl->ports)
        out << QStringLiteral("COM%1 = %2 (%3)")
                   .arg(p.port)
                   .arg(QString::fromStdString(p.line->path()), p.what);
    return out;
}

std::vector<std::size_t> DemoLine::converterRateBoxes() const {
    std::vector<std::size_t> boxes;
    for (auto rate : m_impl->converterRates) {
        const auto& rates = tev::link::kSearchRates;
        const auto at = std::find(rates.begin(), rates.end(), rate);
        if (at != rates.end())
            boxes.push_back(static_cast<std::size_t>(at - rates.begin()));
    }
    return boxes;
}
