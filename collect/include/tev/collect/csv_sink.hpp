// The overview's CSV log (link/overview_log.hpp) as a sink: one line per meter and counter and
// refresh; values not read in a refresh stay empty.
#pragma once

#include <filesystem>

#include "tev/collect/sink.hpp"
#include "tev/link/overview_log.hpp"

namespace tev::collect {

class CsvSink final : public Sink {
  public:
    CsvSink(const std::filesystem::path& folder, Notices& notices) : m_log(folder), m_notices(notices) {}
    void take(const ConverterRefresh& refresh) override;

  private:
    link::OverviewLog m_log;
    Notices& m_notices;
    bool m_failing = false; // a failure is told when it begins, not at every refresh
};

} // namespace tev::collect
