#include "workspace.hpp"

void Workspace::setFound(bool found) {
    if (found == m_found)
        return;
    m_found = found;
    emit foundChanged(found);
}

void Workspace::setCurrentConverter(const tev::link::Converter& converter) {
    if (converter == m_current)
        return;
    m_current = converter;
    emit currentConverterChanged(m_current);
}

void Workspace::setPagesRunning(bool running) {
    if (running == m_pagesRunning)
        return;
    m_pagesRunning = running;
    emit pagesRunningChanged(running);
}

void Workspace::setMeterListOpen(bool open) {
    if (open == m_meterListOpen)
        return;
    m_meterListOpen = open;
    emit meterListOpenChanged(open);
}
