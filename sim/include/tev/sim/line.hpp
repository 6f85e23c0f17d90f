// Simulated serial line: a pseudo-terminal (or a real serial device) whose far end is served by a
// thread that hands every complete frame to the devices on the line and writes their replies back,
// paced at the line's rate, with optional faults.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tev::sim {

// What a device learns about the line when a frame reaches it.
struct LineState {
    std::uint32_t baud = 0; // bit/s the program set on its end; 0 when the line reports none
    int bitsPerByte = 10;   // start bit, 8 data bits, parity bit when set, stop bit
};

// A device's answer to one frame.
struct Reply {
    std::vector<std::uint8_t> bytes; // empty: the device stays silent
    std::size_t checksumAt = 0;      // the byte that the corrupted-checksum fault flips
};

// frameLength() result for bytes that cannot begin a frame the device understands.
inline constexpr std::size_t kNotAFrame = std::numeric_limits<std::size_t>::max();

// One simulated device (or a bank of devices sharing one frame format) on a line. The line thread
// calls both functions; implementations guard state that tests read with their own mutex.
class Device {
  public:
    virtual ~Device() = default;
    // Length of the complete frame at the start of `bytes`, 0 while more bytes are needed, or
    // kNotAFrame when the bytes cannot start a frame of this device's protocol.
    virtual std::size_t frameLength(std::span<const std::uint8_t> bytes) const = 0;
    // Handles one complete frame heard on the line; returns the reply (empty for silence).
    virtual Reply answer(std::span<const std::uint8_t> frame, const LineState& line) = 0;
};

// Turnaround of a late reply unless set otherwise: past the receive timeout of most exchanges, so
// the reply arrives while the program waits for the next one.
inline constexpr int kDefaultLateReplyMs = 1000;

// Realism and faults. Fault counters: n > 0 applies the fault to the next n replies, -n to every
// n-th reply the devices give since the line started (-1: every reply), 0 turns it off. All fields
// may be changed while the line runs.
struct LineOptions {
    std::atomic<bool> pacing{true};      // requests take, and replies are written at, the wire time
    std::atomic<int> replyDelayMs{0};    // device turnaround after the request's last byte
    std::atomic<int> dropReplies{0};     // reply not sent at all
    std::atomic<int> corruptReplies{0};  // checksum byte of the reply flipped
    std::atomic<int> garbageReplies{0};  // kGarbage bytes sent before the reply
    std::atomic<int> truncateReplies{0}; // only the first half of the reply sent
    std::atomic<int> lateReplies{0};     // turnaround lateReplyMs instead of replyDelayMs
    std::atomic<int> lateReplyMs{kDefaultLateReplyMs};
    std::atomic<std::uint32_t> realBaud{9600}; // settings used when serving a real serial device
    std::atomic<int> realParity{0};            // 0 none, 1 even, 2 odd
    std::atomic<unsigned> framesHeard{0};      // complete frames seen (for tests and the tool)
};

// Noise that the garbage fault puts in front of a reply.
inline constexpr std::uint8_t kGarbage[] = {0xFF, 0x80, 0x7F};

class Line {
  public:
    Line();                                // opens a new pseudo-terminal; throws std::system_error
    explicit Line(std::string realDevice); // serves a real serial device (opened by start())
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    const std::string& path() const { return m_path; } // the device path the program opens
    void add(std::shared_ptr<Device> device);
    void start(); // throws std::system_error when a real device cannot be opened
    void stop();
    LineOptions& options() { return m_options; }

  private:
    struct Pending;
    void run();
    void take(Pending& pending, std::span<const std::uint8_t> chunk);
    void serveBytes(Pending& pending);
    // Sleeps until `deadline`; false as soon as stop() is called.
    bool pauseUntil(std::chrono::steady_clock::time_point deadline);
    bool waitReadable(int timeoutMs);
    LineState readState() const;
    void sendReply(Reply reply, const LineState& state);
    void writePaced(std::span<const std::uint8_t> bytes, const LineState& state);
    std::vector<std::shared_ptr<Device>> devicesSnapshot();

    std::string m_path;
    bool m_real = false;
    int m_fd = -1;
    int m_wake[2] = {-1, -1};
    std::mutex m_devicesMutex;
    std::vector<std::shared_ptr<Device>> m_devices;
    LineOptions m_options;
    std::atomic<bool> m_stop{false};
    std::uint64_t m_replies = 0; // replies the devices gave (line thread only)
    std::thread m_thread;
};

// An ASCII (CR-terminated) responder: `answer` gets the text before the CR and returns the reply
// without its CR, or std::nullopt for silence. Lines longer than 255 characters are dropped.
std::shared_ptr<Device> MakeAsciiDevice(std::function<std::optional<std::string>(std::string_view)> answer);

} // namespace tev::sim
