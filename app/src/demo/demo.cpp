#include "demo.hpp"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <string>

#include "tev/link/settings_file.hpp"
#include "tev/sim/setup.hpp"

struct DemoLine::Impl {
    tev::sim::Setup setup;
};

DemoLine::DemoLine(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

DemoLine::~DemoLine() {
    for (auto& running : m_impl->setup.lines)
        if (running.line)
            running.line->stop();
}

std::unique_ptr<DemoLine> DemoLine::start(QString* error) {
    auto impl = std::make_unique<Impl>();
    try {
        impl->setup = tev::sim::StartDefaultSetup();
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromLocal8Bit(e.what());
        return nullptr;
    }
    for (const auto& running : impl->setup.lines)
        if (running.port > 0 && running.line)
            ::setenv(("TEV_COM" + std::to_string(running.port)).c_str(), running.line->path().c_str(), 1);
    return std::unique_ptr<DemoLine>(new DemoLine(std::move(impl)));
}

QStringList DemoLine::describe() const {
    QStringList out;
    for (const auto& running : m_impl->setup.lines) {
        if (running.port <= 0 || !running.line)
            continue;
        out << QStringLiteral("COM%1 = %2 (%3)")
                   .arg(running.port)
                   .arg(QString::fromStdString(running.line->path()), QString::fromStdString(running.name));
    }
    return out;
}

std::vector<std::size_t> DemoLine::converterRateBoxes() const {
    std::vector<std::size_t> boxes;
    const auto& rates = tev::link::kSearchRates;
    for (const auto& running : m_impl->setup.lines) {
        for (const auto& converter : running.converters) {
            const auto baud = tev::sim::ConverterBaud(converter->config().baudCode);
            const auto at = baud ? std::find(rates.begin(), rates.end(), *baud) : rates.end();
            const auto box = static_cast<std::size_t>(at - rates.begin());
            if (at != rates.end() && std::find(boxes.begin(), boxes.end(), box) == boxes.end())
                boxes.push_back(box);
        }
    }
    std::sort(boxes.begin(), boxes.end());
    return boxes;
}
