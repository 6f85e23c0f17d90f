// Demo mode: the simulated default line runs inside the program on pseudo-terminals, and COM1
// (converters), COM2 (M-Bus meters) and COM3 (modules) are mapped to it.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class DemoLine {
  public:
    // Starts the simulated devices and sets TEV_COM<n> for each line; call before any port is opened.
    // Returns nothing (and says why in `error`) when the lines cannot be started.
    static std::unique_ptr<DemoLine> start(QString* error);
    ~DemoLine();

    // "COM1 = /dev/pts/5 (转换模块)" ... one text per line.
    QStringList describe() const;
    // The rates at which the demo converters answer, as indices of the search dialog's boxes.
    std::vector<std::size_t> converterRateBoxes() const;

  private:
    struct Impl;
    explicit DemoLine(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};
