// What crosses windows: the converter whose pages are shown, its meter list, the meter type names,
// whether pages run and whether the meter list is open. Held by the main window for the program's
// lifetime; every change is announced.
#pragma once

#include <QObject>
#include <QString>
#include <set>
#include <string>
#include <vector>

#include "tev/link/converter.hpp"
#include "tev/link/meter_table.hpp"
#include "tev/link/program_files.hpp"

class Workspace final : public QObject {
    Q_OBJECT
  public:
    explicit Workspace(QObject* parent = nullptr) : QObject(parent) {}

    // Where tev_module.ini, type.txt and the files written for the user are.
    const tev::link::ProgramFiles& files() const { return m_files; }
    void setFiles(tev::link::ProgramFiles files) { m_files = std::move(files); }
    // The type.txt to read.
    QString typeFilePath() const { return QString::fromStdString(m_files.typeFile().string()); }
    // The folder for files written for the user (pictures, meter lists).
    QString outputFolder() const { return QString::fromStdString(m_files.output.string()); }
    // The folder of the settings file.
    QString programFolder() const { return QString::fromStdString(m_files.settings.parent_path().string()); }

    // Parity of the last search: 0 none, 1 even, 2 odd.
    int searchParity() const { return m_searchParity; }
    void setSearchParity(int parity) { m_searchParity = parity; }

    // A converter was found in the current search.
    bool found() const { return m_found; }
    void setFound(bool found);

    const tev::link::Converter& currentConverter() const { return m_current; }
    void setCurrentConverter(const tev::link::Converter& converter);

    // Pages are shown and may poll; false once they are told to stop.
    bool pagesRunning() const { return m_pagesRunning; }
    void setPagesRunning(bool running);

    // The meter list dialog is open: the data page does not poll meanwhile.
    bool meterListOpen() const { return m_meterListOpen; }
    void setMeterListOpen(bool open);

    tev::link::MeterTable& meterTable() { return m_meters; }
    const tev::link::MeterTable& meterTable() const { return m_meters; }

    // Meter type names of type.txt as read (bytes kept; shown decoded).
    const std::vector<std::string>& typeNames() const { return m_typeNames; }
    void setTypeNames(std::vector<std::string> names) { m_typeNames = std::move(names); }

    // True the first time a notice is asked for in this run, so a warning about a file is said once.
    bool firstNotice(const std::string& text) { return m_noticesGiven.insert(text).second; }

    // The converter collects its meters by secondary address.
    bool secondaryAddressing() const { return m_secondary; }
    void setSecondaryAddressing(bool on) { m_secondary = on; }

  signals:
    void foundChanged(bool found);
    void currentConverterChanged(const tev::link::Converter& converter);
    void pagesRunningChanged(bool running);
    void meterListOpenChanged(bool open);

  private:
    tev::link::ProgramFiles m_files;
    int m_searchParity = 0;
    bool m_found = false;
    tev::link::Converter m_current{};
    bool m_pagesRunning = false;
    bool m_meterListOpen = false;
    tev::link::MeterTable m_meters{};
    std::vector<std::string> m_typeNames;
    bool m_secondary = false;
    std::set<std::string> m_noticesGiven;
};
