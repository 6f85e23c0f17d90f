// A scripted serial line for the unit tests: records every command and answers from a queue.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace tev::iomodule::testing {

struct Sent {
    std::uint8_t port = 0;
    std::string command;
    std::uint16_t timeout = 0;
    std::uint16_t checksum = 0;
    bool waited = true; // false for SendCommand
};

struct Answer {
    std::string reply;        // written into the reply buffer, cut to uart's UART_REPLY_MAX
    std::uint16_t status = 0; // what the exchange returns
};

class FakeLine {
  public:
    static FakeLine& instance();

    void reset() {
        sent.clear();
        answers.clear();
        sendStatus = 0;
    }
    void answer(std::string reply, std::uint16_t status = 0) {
        answers.push_back({std::move(reply), status});
    }
    std::vector<std::string> commands() const;

    std::vector<Sent> sent;
    std::deque<Answer> answers; // an exchange with no answer left times out
    std::uint16_t sendStatus = 0;
};

} // namespace tev::iomodule::testing
