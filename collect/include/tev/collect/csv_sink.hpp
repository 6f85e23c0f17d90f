// The overview's CSV log (link/overview_log.hpp) as a sink: one line per meter and counter and
// refresh; values not read in a refresh stay empty. Each converter has its own log in
// <folder>/<name>/: the log's lines name the converter by its address only, and converters on
// different lines often share one.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tev/collect/sink.hpp"
#include "tev/link/overview_log.hpp"

namespace tev::collect {

class CsvSink final : public Sink {
  public:
    // Makes the converters' folders below `folder` (a folder that cannot be made is told, and its
    // log fails until it can be written).
    CsvSink(const std::filesystem::path& folder, const std::vector<std::string>& names, Notices& notices);
    void take(const ConverterRefresh& refresh) override;

  private:
    struct Log {
        explicit Log(const std::filesystem::path& folder) : log(folder) {}
        link::OverviewLog log;
        bool failing = false; // a failure is told when it begins, not at every refresh
    };
    std::map<std::string, std::unique_ptr<Log>> m_logs;
    Notices& m_notices;
};

} // namespace tev::collect
