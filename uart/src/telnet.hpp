// Telnet with the COM-PORT-CONTROL option (RFC 854, RFC 2217): what a network serial gateway speaks
// on its "rfc2217://" ports. The reader takes the data bytes out of the stream and collects the
// commands around them; the writers build what the library sends.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace uart::detail::telnet {

constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;

constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPort = 44;

// COM-PORT-CONTROL commands sent by the client; the gateway answers each with the command + 100.
constexpr std::uint8_t kSetBaudRate = 1;
constexpr std::uint8_t kSetDataSize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopSize = 4;
constexpr std::uint8_t kServerOffset = 100;

// An option negotiation the peer sent (verb kWill, kWont, kDo or kDont).
struct Negotiation {
    std::uint8_t verb = 0;
    std::uint8_t option = 0;
};

// Incremental reader of a Telnet stream: a command split across reads is completed by the next one.
class Reader {
  public:
    // Negotiations kept until taken; more are dropped (a peer that floods them is answered in part).
    static constexpr std::size_t kMaxNegotiations = 16;
    // Bytes of one subnegotiation kept; a longer one is read to its end and its excess dropped.
    static constexpr std::size_t kMaxSubnegotiation = 32;

    // Copies the data bytes of in[0..count) to out (room for count bytes) and returns how many.
    // IAC IAC gives one 0xFF; every other command is taken out of the stream.
    std::size_t decode(const std::uint8_t* in, std::size_t count, std::uint8_t* out);

    // The negotiations received since the last take, oldest first.
    std::size_t negotiationCount() const { return m_negotiationCount; }
    const Negotiation& negotiation(std::size_t i) const { return m_negotiations[i]; }
    void clearNegotiations() { m_negotiationCount = 0; }

    // Replies of the gateway to COM-PORT-CONTROL commands: bit n set once the reply to command n
    // (1..4) came; the value of the last rate reply.
    unsigned comPortReplies() const { return m_comPortReplies; }
    std::uint32_t replyBaud() const { return m_replyBaud; }
    void clearComPortReplies() {
        m_comPortReplies = 0;
        m_replyBaud = 0;
    }
    // True once the peer refused the COM-PORT-CONTROL option (WONT or DONT).
    bool comPortRefused() const { return m_comPortRefused; }

    // Forgets everything: a new connection.
    void reset() { *this = Reader{}; }

  private:
    enum class State { Data, Iac, Verb, Sb, SbIac };
    void takeCommand(std::uint8_t b);
    void takeSubnegotiation(std::uint8_t b);
    void endSubnegotiation();

    State m_state = State::Data;
    std::uint8_t m_verb = 0;
    std::array<Negotiation, kMaxNegotiations> m_negotiations{};
    std::size_t m_negotiationCount = 0;
    std::array<std::uint8_t, kMaxSubnegotiation> m_sb{};
    std::size_t m_sbLength = 0;
    unsigned m_comPortReplies = 0;
    std::uint32_t m_replyBaud = 0;
    bool m_comPortRefused = false;
};

// data with every 0xFF doubled.
std::string Escape(const std::uint8_t* data, std::size_t count);

// IAC verb option.
std::string Command(std::uint8_t verb, std::uint8_t option);

// The COM-PORT-CONTROL subnegotiations that set rate, 8 data bits, parity (0 none, 1 even, 2 odd)
// and stop bits (0 one, 2 two), value bytes 0xFF doubled.
std::string PortSettings(std::uint32_t baud, std::uint8_t parity, std::uint8_t stopBits);

} // namespace uart::detail::telnet
