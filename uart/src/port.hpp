// One entry of the port table: the open device, its settings, and the state its calls share.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "line_setup.hpp"
#include "net_line.hpp"
#include "telnet.hpp"

namespace uart::detail {

using Clock = std::chrono::steady_clock;

struct Port {
    std::timed_mutex mutex; // held by the call that uses the port
    int fd = -1;
    std::uint8_t number = 0; // 1 = COM1
    std::string path;
    LineKind kind = LineKind::Device; // a device, or a gateway reached over the network
    // A network line: the connection has ended (the gateway closed or reset it). The call that finds
    // it fails with UART_NOT_OPEN and the port is closed; the next OpenLink connects afresh.
    bool dropped = false;
    telnet::Reader telnet; // an RFC 2217 line: the state of the received stream
    // Telnet options this end has answered for itself (WILL, WONT) or for the peer (DO, DONT), as bits
    // of the option number (those below 64); each is sent once per connection, so an answer never
    // starts a loop.
    std::uint64_t offered = 0;
    std::uint64_t asked = 0;
    LineSettings settings;
    bool marked = false; // input bytes with a parity or framing error come marked (PARMRK)
    std::string openError;
    // Quiet time the next write waits for, counted from quietSince; zero while the line is settled.
    Clock::duration guard{};
    Clock::time_point quietSince{};
    // How late the device answers, learned from bytes that came after a timed-out request (zero
    // until any did). A send after a timeout waits until that request is `learned` plus a margin old.
    Clock::duration learned{};
    int cleanRun = 0;             // clean exchanges since bytes last came late; a run shrinks `learned`
    Clock::time_point sentAt{};   // when the last request had been written
    Clock::time_point lateFrom{}; // sentAt of the timed-out request whose reply may still come
    bool awaitingLate = false;    // lateFrom is set and no byte has come since
    // The exchange after a timed-out request: the reply it took may have been the late one. When it
    // proves to be (a second reply follows), its lateness is learned.
    bool suspect = false;
    bool behindChecked = false;       // a receive since the send has looked behind its frame
    Clock::time_point suspectFrom{};  // sentAt of the timed-out request
    Clock::time_point suspectFirst{}; // arrival of the first byte the suspect exchange took
    // Cancelling: UartCancel and CloseLink count `cancels` up and signal wakeFd (an eventfd polled
    // beside fd). A call notes `cancels` when it begins; while it holds the port its note is in
    // `ticket`, and a count that has moved on ends it with UART_CANCELLED.
    std::atomic<std::uint32_t> cancels{0};
    std::uint32_t ticket = 0;
    std::mutex wakeLock; // keeps wakeFd open while a canceller writes to it
    int wakeFd = -1;
};

} // namespace uart::detail
