#include "workspace.hpp"

tev::link::BlockLimits Workspace::learnedLimits(const tev::link::Converter& converter) const {
    const auto it = m_learnedLimits.find({converter.port, converter.address});
    return it == m_learnedLimits.end() ? tev::link::kDefaultBlockLimits : it->second;
}

void Workspace::setLearnedLimits(const tev::link::Converter& converter,
                                 const tev::link::BlockLimits& limits) {
    m_learnedLimits[{converter.port, converter.address}] = limits;
}
