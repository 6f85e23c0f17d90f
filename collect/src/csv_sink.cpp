#include "tev/collect/csv_sink.hpp"

namespace tev::collect {

void CsvSink::take(const ConverterRefresh& refresh) {
    const bool written = m_log.append(refresh.at, refresh.address, refresh.rows);
    if (!written && !m_failing)
        m_notices.say("CSV log: " + m_log.error());
    if (written && m_failing)
        m_notices.say("CSV log: written again (" + m_log.file().string() + ")");
    m_failing = !written;
}

} // namespace tev::collect
