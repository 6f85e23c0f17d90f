// A scripted line for the tests of the link logic. Each exchange takes the next step of the script,
// checks the request against the one the step expects, and feeds the step's bytes to the caller's
// frame rule one at a time the way uart's ReceiveFrame does: it stops at the rule's complete frame
// and keeps only that frame; without one it ends with a timeout and all bytes. Nothing sleeps: a
// silence is reported at once as a timeout.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "tev/link/line.hpp"
#include "tev/protocol/hex_input.hpp"
#include "tev/protocol/modbus_request.hpp"

namespace tev::link::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::string HexText(std::span<const std::uint8_t> bytes) {
    return protocol::FormatHexBytes(bytes, " ");
}

struct Step {
    Bytes request;                 // the request the routine must send (checked unless empty)
    Bytes reply;                   // what the line then carries: frame, noise, cut; empty: silence
    std::function<void()> whileOn; // runs during the receive (a test calls stop() from here)
    double elapsedMs = 5;          // reported for a complete frame; a timeout reports the timeout
};

// What the routine sent, with the timeout and byte limit it received with.
struct Sent {
    Bytes request;
    std::uint16_t timeoutMs = 0;
    std::uint16_t maxCount = 0;
};

class FakeLine final : public Line {
  public:
    FakeLine() = default;

    FakeLine& then(Bytes request, Bytes reply) {
        m_script.push_back({std::move(request), std::move(reply), {}, 5});
        return *this;
    }
    FakeLine& then(Step step) {
        m_script.push_back(std::move(step));
        return *this;
    }
    // The next `count` opens fail.
    void failOpens(int count) { m_openFailures = count; }

    std::uint16_t open(const SerialSettings& settings) override {
        opens.push_back(settings);
        if (m_openFailures > 0) {
            --m_openFailures;
            m_open = false;
            m_openFailure = "COM" + std::to_string(settings.port) + " (/dev/fake): 没有那个文件或目录";
            return UART_PORT_ERROR;
        }
        m_open = true;
        m_openFailure.clear();
        m_settings = settings;
        return UART_OK;
    }
    void close() override {
        m_open = false;
        ++closes;
    }
    bool isOpen() const noexcept override { return m_open; }
    std::string openFailure() const override { return m_openFailure; }
    void cancel() noexcept override { m_cancelled = true; }
    void settle() noexcept override { ++settles; }

    ExchangeResult exchange(std::span<const std::uint8_t> request, std::uint16_t timeoutMs,
                            std::uint16_t maxCount, UartFrameRule rule = nullptr,
                            void* context = nullptr) override {
        ExchangeResult result;
        if (!m_open) {
            result.error = ExchangeError::NotOpen;
            return result;
        }
        m_cancelled = false;
        sent.push_back({Bytes(request.begin(), request.end()), timeoutMs, maxCount});
        Step step = nextStep(request);
        if (step.whileOn)
            step.whileOn();
        if (m_cancelled) { // woken before anything arrived
            result.error = ExchangeError::Cancelled;
            return result;
        }
        const bool complete = receive(step.reply, maxCount, rule, context, result.reply);
        result.error = complete ? ExchangeError::None : ExchangeError::Timeout;
        result.elapsedMs = complete ? step.elapsedMs : timeoutMs;
        return result;
    }

    // Steps the routine has not asked for.
    std::size_t left() const noexcept { return m_script.size(); }

    // Answers the requests after the last step, like a device on a line with these settings.
    std::function<Bytes(std::span<const std::uint8_t>, const SerialSettings&)> device;

    std::vector<Sent> sent;
    std::vector<SerialSettings> opens;
    int closes = 0;
    int settles = 0;

  private:
    // The step that answers this request: the script's next, else the device's answer.
    Step nextStep(std::span<const std::uint8_t> request) {
        Step step;
        if (!m_script.empty()) {
            step = std::move(m_script.front());
            m_script.pop_front();
        } else if (device) {
            step.reply = device(request, m_settings);
        } else {
            ADD_FAILURE() << "request beyond the script: " << HexText(request);
        }
        if (!step.request.empty())
            EXPECT_EQ(HexText(request), HexText(step.request)) << "request " << sent.size();
        return step;
    }

    // The line's bytes handed to the rule one at a time, as uart's receive does: only a complete
    // frame is kept; without a rule any byte is a reply. True when the receive ends complete.
    static bool receive(const Bytes& line, std::uint16_t maxCount, UartFrameRule rule, void* context, Bytes& kept) {
        for (const std::uint8_t byte : line) {
            if (kept.size() >= maxCount)
                break;
            kept.push_back(byte);
            // A rule that claims more bytes than arrived has not seen a complete frame yet.
            const std::size_t end = rule ? rule(kept.data(), kept.size(), context) : 0;
            if (end > 0 && end <= kept.size()) {
                kept.resize(end);
                return true;
            }
        }
        return !rule && !kept.empty();
    }

    std::deque<Step> m_script;
    SerialSettings m_settings{};
    bool m_open = false;
    int m_openFailures = 0;
    std::string m_openFailure;
    std::atomic<bool> m_cancelled{false};
};

// Frames for the scripts.
inline Bytes WithCrc(Bytes frame) {
    protocol::AppendModbusCrc(frame);
    return frame;
}
// The read reply of `slave` with these register bytes.
inline Bytes ReadReply(std::uint8_t slave, const Bytes& data, std::uint8_t function = 0x03) {
    Bytes frame{slave, function, static_cast<std::uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    return WithCrc(frame);
}
// The reply to a read request: every register byte `fill`.
inline Bytes ReadReplyTo(std::span<const std::uint8_t> request, std::uint8_t fill = 0x11) {
    const std::size_t count = static_cast<std::size_t>(request[4] << 8 | request[5]);
    return ReadReply(request[0], Bytes(2 * count, fill), request[1]);
}
// The reply to a 0x06 (the echo) or 0x10 request (address, function, start, count).
inline Bytes WriteReplyTo(std::span<const std::uint8_t> request) {
    if (request[1] == 0x06)
        return Bytes(request.begin(), request.end());
    return WithCrc(Bytes(request.begin(), request.begin() + 6));
}
inline Bytes ExceptionReply(std::uint8_t slave, std::uint8_t function, std::uint8_t code) {
    return WithCrc({slave, static_cast<std::uint8_t>(function | 0x80), code});
}
inline Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}
inline Bytes Cut(Bytes frame, std::size_t keep) {
    frame.resize(std::min(keep, frame.size()));
    return frame;
}
// One bit of byte `at` flipped: the CRC no longer matches.
inline Bytes Spoilt(Bytes frame, std::size_t at) {
    frame.at(at) ^= 0x40;
    return frame;
}

} // namespace tev::link::testing
