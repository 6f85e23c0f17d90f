#include "tev/collect/csv_sink.hpp"

#include <system_error>

namespace tev::collect {

CsvSink::CsvSink(const std::filesystem::path& folder, const std::vector<std::string>& names, Notices& notices)
    : m_notices(notices) {
    for (const std::string& name : names) {
        const std::filesystem::path own = folder / name;
        std::error_code error;
        std::filesystem::create_directories(own, error);
        if (error)
            m_notices.say("CSV log: " + own.string() + ": " + error.message());
        m_logs.emplace(name, std::make_unique<Log>(own));
    }
}

void CsvSink::take(const ConverterRefresh& refresh) {
    const auto found = m_logs.find(refresh.name);
    if (found == m_logs.end())
        return;
    Log& log = *found->second;
    const bool written = log.log.append(refresh.at, refresh.address, refresh.rows);
    if (!written && !log.failing)
        m_notices.say("CSV log " + refresh.name + ": " + log.log.error());
    if (written && log.failing)
        m_notices.say("CSV log " + refresh.name + ": written again (" + log.log.file().string() + ")");
    log.failing = !written;
}

} // namespace tev::collect
