#include "tool_commands.hpp"

#include "main_frame.hpp"
#include "meters/meter_address_dialog.hpp"
#include "tools/terminal_dialog.hpp"
#include "workspace.hpp"
#include "tools/graph_dialog.hpp"

// Each tool opens modally, wired to the frame: its stop request reaches the pages, its messages the
// message bar.
void RegisterTools(MainFrame& frame) {
    (void)frame;
    frame.setCommand(MainFrame::Command::Terminal, [&frame] {
        TerminalDialog d(frame.ports(), frame.notifier(), &frame);
        frame.connectTool(&d);
        d.exec();
    });
    frame.setCommand(MainFrame::Command::MeterAddress, [&frame] {
        MeterAddressDialog d(frame.ports(), frame.notifier(), &frame);
        frame.connectTool(&d);
        d.exec();
    });
    frame.setCommand(MainFrame::Command::Graph, [&frame] {
        // draw1.bmp goes where the program writes files for the user: beside it, or its data folder.
        const auto folder = QString::fromStdString(frame.workspace().files().output.string());
        GraphDialog d(frame.worker(), frame.notifier(), folder, &frame);
        frame.connectTool(&d);
        d.exec();
    });
}
