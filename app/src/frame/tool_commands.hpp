// Puts the tools (terminal, graph display, meter address setting) into the main window's menu.
#pragma once

class MainFrame;

void RegisterTools(MainFrame& frame);
