// The program's own settings for this user (window layout, search options), kept with the user's
// tev_module.ini and ports file in $XDG_CONFIG_HOME/tev/TEV_IO.conf (~/.config/tev/). A file of an
// earlier version (~/.config/VORNIX/TEV_IO.conf) is moved there on first use.
#pragma once

#include <QSettings>

#include "tev/link/program_files.hpp"

inline QSettings UserSettingsStore() {
    const auto file = tev::link::AdoptUserSettingsFile(tev::link::UserEnvironment::fromProcess());
    return QSettings(QString::fromStdString(file.string()), QSettings::IniFormat);
}
