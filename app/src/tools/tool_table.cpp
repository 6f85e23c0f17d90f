#include "tool_table.hpp"

#include "core/workspace.hpp"
#include "graph_dialog.hpp"
#include "meter_address_dialog.hpp"
#include "terminal_dialog.hpp"

const std::vector<ToolEntry>& ToolTable() {
    static const std::vector<ToolEntry> tools = {
        {QStringLiteral("单步命令行"), QStringLiteral("terminalAction"),
         [](const ToolContext& c, QWidget* parent) { return std::make_unique<TerminalDialog>(c, parent); }},
        {QStringLiteral("图形显示"), QStringLiteral("graphAction"),
         [](const ToolContext& c, QWidget* parent) { return std::make_unique<GraphDialog>(c, parent); }},
        {QStringLiteral("热表地址设定"), QStringLiteral("meterAddressAction"),
         [](const ToolContext& c, QWidget* parent) {
             return std::make_unique<MeterAddressDialog>(c, parent);
         }},
    };
    return tools;
}
