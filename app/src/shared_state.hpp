// Data that crosses dialogs and pages, held by the main window for the program's lifetime.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <string>

#include "tev/link/converter_entry.hpp"

struct MeterEntry {
    std::string readSerial; // 12 upper-case hex characters
    std::string readType;   // "%02X" of the type byte
    std::string editedSerial;
    std::string editedType; // two decimal digits that begin the chosen type name
};

struct MeterTable {
    static constexpr std::size_t kCapacity = 72;
    static constexpr std::size_t kMaxUsed = 64;
    int count = 0;
    std::array<MeterEntry, kCapacity> entries{};
};

struct SharedState {
    int parityIndex = 0; // parity of the last search: 0 none, 1 even, 2 odd
    int foundFlag = 0;   // 1 once the current search found a converter
    tev::ConverterEntry currentConverter{};
    int pagesRunning = 0; // 2 while pages are shown, 0 once told to stop
    QString messageText;  // last text handed to the message bar
    MeterTable meterTable{};
    QStringList typeNames;       // meter type names of type.txt
    int secondaryAddressing = 0; // 1 = the converter collects by secondary address
    int meterListOpen = 0;       // 1 while the meter list dialog is open
};
