#include "tool_commands.hpp"

#include <QCoreApplication>

#include "frame/main_frame.hpp"
#include "tools/graph_dialog.hpp"

// Each tool opens modally, wired to the frame: its stop request reaches the pages, its messages the
// message bar.
void RegisterTools(MainFrame& frame) {
    (void)frame;
    frame.setCommand(MainFrame::Command::Graph, [&frame] {
        GraphDialog d(frame.worker(), frame.notifier(), QCoreApplication::applicationDirPath(), &frame);
        frame.connectTool(&d);
        d.exec();
    });
}
