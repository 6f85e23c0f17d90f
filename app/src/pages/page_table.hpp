// The pages of a converter, in tab order. A new page is a ConverterPage in this folder and one entry
// here; the pages bar builds, starts, stops and deletes them from the table.
#pragma once

#include <QString>
#include <functional>
#include <vector>

class ConverterPage;
class QWidget;

struct PageEntry {
    QString title;      // the tab's text
    QString objectName; // of the page
    std::function<ConverterPage*(QWidget* parent)> make;
};

const std::vector<PageEntry>& PageTable();
