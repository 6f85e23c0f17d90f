// What lives for the program's run and crosses windows: where the files are, the converter whose
// pages are shown and its meter list, the meter type names, whether pages run and whether the meter
// list is open, and what the run has learned (block sizes converters answer, commands sent from the
// terminal, notices already given). Held by the main window; read by value or const view.
#pragma once

#include <QString>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tev/link/converter.hpp"
#include "tev/link/meter_overview.hpp"
#include "tev/link/meter_table.hpp"
#include "tev/link/program_files.hpp"
#include "tev/link/terminal.hpp"

class Workspace final {
  public:
    // Where tev_module.ini, type.txt and the files written for the user are.
    const tev::link::ProgramFiles& files() const { return m_files; }
    void setFiles(tev::link::ProgramFiles files) { m_files = std::move(files); }
    // The type.txt to read.
    QString typeFilePath() const { return QString::fromStdString(m_files.typeFile().string()); }
    // The folder for files written for the user (pictures, meter lists, CSV logs).
    QString outputFolder() const { return QString::fromStdString(m_files.output.string()); }

    // A converter was found in the current search.
    bool found() const { return m_found; }
    void setFound(bool found) { m_found = found; }

    const tev::link::Converter& currentConverter() const { return m_current; }
    void setCurrentConverter(const tev::link::Converter& converter) { m_current = converter; }

    // Pages are shown and may poll; false once they are told to stop.
    bool pagesRunning() const { return m_pagesRunning; }
    void setPagesRunning(bool running) { m_pagesRunning = running; }

    // The meter list dialog is open: the data page does not poll meanwhile.
    bool meterListOpen() const { return m_meterListOpen; }
    void setMeterListOpen(bool open) { m_meterListOpen = open; }

    // The meter list of the converter whose settings page runs.
    const tev::link::MeterTable& meterTable() const { return m_meters; }
    void setMeterTable(const tev::link::MeterTable& table) { m_meters = table; }

    // Meter type names of type.txt as read (bytes kept; shown decoded).
    const std::vector<std::string>& typeNames() const { return m_typeNames; }
    void setTypeNames(std::vector<std::string> names) { m_typeNames = std::move(names); }

    // The converter collects its meters by secondary address.
    bool secondaryAddressing() const { return m_secondary; }
    void setSecondaryAddressing(bool on) { m_secondary = on; }

    // Block sizes a converter (port, address) answered, so its pages built anew do not ask refused
    // sizes again.
    tev::link::BlockLimits learnedLimits(const tev::link::Converter& converter) const;
    void setLearnedLimits(const tev::link::Converter& converter, const tev::link::BlockLimits& limits);

    // Commands sent from the terminal since the program started.
    const tev::link::CommandRecall& commandRecall() const { return m_recall; }
    void rememberCommand(const std::string& command) { m_recall.remember(command); }

    // True the first time a notice is asked for in this run, so a warning about a file is said once.
    bool firstNotice(const std::string& text) { return m_noticesGiven.insert(text).second; }

  private:
    tev::link::ProgramFiles m_files;
    bool m_found = false;
    tev::link::Converter m_current{};
    bool m_pagesRunning = false;
    bool m_meterListOpen = false;
    tev::link::MeterTable m_meters{};
    std::vector<std::string> m_typeNames;
    bool m_secondary = false;
    std::map<std::pair<int, int>, tev::link::BlockLimits> m_learnedLimits;
    tev::link::CommandRecall m_recall;
    std::set<std::string> m_noticesGiven;
};
