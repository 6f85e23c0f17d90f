// A picture of the main window after a search on the demo line, for the documentation.
#pragma once

#include <QString>
#include <vector>

class MainFrame;

// Runs a search over the given rate boxes, selects the first converter found, and saves the window
// to file (PNG). Returns false when the picture could not be written.
bool SaveSearchScreenshot(MainFrame& frame, const std::vector<std::size_t>& rateBoxes, const QString& file);

// Runs the same search, selects the converter with the most meters, shows its page "全部表数据" after
// one refresh in a window wide enough for the table, and saves the window to file (PNG).
bool SaveOverviewScreenshot(MainFrame& frame, const std::vector<std::size_t>& rateBoxes, const QString& file);
