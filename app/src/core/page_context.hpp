// What pages and tools may use while they run; all of it outlives them.
#pragma once

class Notifier;
class PortHub;
class Workspace;

struct PageContext {
    Workspace& workspace;
    PortHub& ports; // the serial side: a page borrows its converter's port there
    Notifier& notifier;
};

struct ToolContext {
    Workspace& workspace;
    PortHub& ports; // a tool borrows the port it talks on there
    Notifier& notifier;
};
