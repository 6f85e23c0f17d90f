// The tools of the menu "工具(&T)", in menu order. A new tool is a dialog derived from ToolDialog in
// this folder and one entry here; the main window builds the menu from the table and wires each tool
// it opens (stop the pages, messages to the message bar).
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "core/page_context.hpp"

class QWidget;
class ToolDialog;

struct ToolEntry {
    QString menuText;
    QString objectName; // of the menu action
    std::function<std::unique_ptr<ToolDialog>(const ToolContext& context, QWidget* parent)> make;
};

const std::vector<ToolEntry>& ToolTable();
