// Demo mode of a build without the simulators.
#include "demo.hpp"

struct DemoLine::Impl {};

DemoLine::DemoLine(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
DemoLine::~DemoLine() = default;

std::unique_ptr<DemoLine> DemoLine::start(QString* error) {
    if (error)
        *error = QStringLiteral("this build has no simulators (add sim to TEV_SUBDIRS)");
    return nullptr;
}

QStringList DemoLine::describe() const {
    return {};
}
std::vector<std::size_t> DemoLine::converterRateBoxes() const {
    return {};
}
