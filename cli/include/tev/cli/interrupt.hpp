// SIGINT and SIGTERM for the subcommands: the signals are taken by a thread of their own, which
// marks the run as interrupted and cancels the exchange under way (the registered action), so the
// command closes its port and ends with exit status 1.
#pragma once

#include <atomic>
#include <functional>

namespace tev::cli {

// Blocks SIGINT and SIGTERM in the calling thread and starts the thread that waits for them. Call
// it first in main, before any other thread starts (they inherit the blocked signals).
void WatchInterrupts();

// A signal came.
bool Interrupted() noexcept;
// The same as a flag that link routines read before each step.
const std::atomic<bool>& InterruptFlag() noexcept;

// While it lives, a signal runs `cancel` (on the signal thread); at once when one came already.
class CancelOnInterrupt {
  public:
    explicit CancelOnInterrupt(std::function<void()> cancel);
    ~CancelOnInterrupt();
    CancelOnInterrupt(const CancelOnInterrupt&) = delete;
    CancelOnInterrupt& operator=(const CancelOnInterrupt&) = delete;
};

} // namespace tev::cli
