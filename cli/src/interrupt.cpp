#include "tev/cli/interrupt.hpp"

#include <csignal>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace tev::cli {
namespace {

std::atomic<bool> g_interrupted{false};
std::mutex g_mutex;
std::function<void()> g_cancel; // guarded by g_mutex

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

void WaitForSignals() {
    const sigset_t set = StopSignals();
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0)
            continue;
        g_interrupted = true;
        const std::lock_guard lock(g_mutex);
        if (g_cancel)
            g_cancel();
    }
}

} // namespace

void WatchInterrupts() {
    const sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // The thread waits for the rest of the process's life; the process ends it by ending.
    std::thread(WaitForSignals).detach();
}

bool Interrupted() noexcept {
    return g_interrupted;
}

const std::atomic<bool>& InterruptFlag() noexcept {
    return g_interrupted;
}

CancelOnInterrupt::CancelOnInterrupt(std::function<void()> cancel) {
    const std::lock_guard lock(g_mutex);
    g_cancel = std::move(cancel);
    if (g_interrupted && g_cancel)
        g_cancel();
}

CancelOnInterrupt::~CancelOnInterrupt() {
    const std::lock_guard lock(g_mutex);
    g_cancel = nullptr;
}

} // namespace tev::cli
