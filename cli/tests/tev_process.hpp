// Runs the built tev program as a child process, as a script would, and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace tev::cli::test {

struct TevRun {
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
    double elapsedMs = 0;
};

// With interruptAfterMs > 0 the program gets SIGINT after that time; `elapsedMs` is how long it ran.
TevRun RunTev(const std::vector<std::string>& args, int interruptAfterMs = 0);

} // namespace tev::cli::test
