// What pages and tools may use while they run; all of it outlives them.
#pragma once

class Notifier;
class PortHub;
class SerialWorker;
class Workspace;

struct PageContext {
    Workspace& workspace;
    PortHub& ports; // the serial side: a page borrows its converter's port there
    Notifier& notifier;
};

struct ToolContext {
    Workspace& workspace;
    PortHub& ports;
    SerialWorker& worker; // for a tool that drives a line by itself (the graph display)
    Notifier& notifier;
};
