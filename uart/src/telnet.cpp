#include "telnet.hpp"

namespace uart::detail::telnet {

std::size_t Reader::decode(const std::uint8_t* in, std::size_t count, std::uint8_t* out) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = in[i];
        if (m_state == State::Data && b != kIac)
            out[n++] = b;
        else if (m_state == State::Data)
            m_state = State::Iac;
        else if (m_state == State::Iac && b == kIac) {
            out[n++] = kIac; // IAC IAC: a data byte 0xFF
            m_state = State::Data;
        } else if (m_state == State::Iac || m_state == State::Verb)
            takeCommand(b);
        else
            takeSubnegotiation(b);
    }
    return n;
}

// A byte after IAC (other than IAC) or after a WILL/WONT/DO/DONT.
void Reader::takeCommand(std::uint8_t b) {
    if (m_state == State::Verb) {
        if (b == kComPort && (m_verb == kWont || m_verb == kDont))
            m_comPortRefused = true;
        if (m_negotiationCount < kMaxNegotiations)
            m_negotiations[m_negotiationCount++] = {m_verb, b};
        m_state = State::Data;
    } else if (b >= kWill && b <= kDont) {
        m_verb = b;
        m_state = State::Verb;
    } else if (b == kSb) {
        m_sbLength = 0;
        m_state = State::Sb;
    } else {
        m_state = State::Data; // NOP, GA, AYT...: a two-byte command, nothing to keep
    }
}

// A byte of a subnegotiation, up to its IAC SE.
void Reader::takeSubnegotiation(std::uint8_t b) {
    if (m_state == State::Sb) {
        if (b == kIac)
            m_state = State::SbIac;
        else if (m_sbLength < m_sb.size())
            m_sb[m_sbLength++] = b;
        return;
    }
    if (b == kSe) {
        endSubnegotiation();
        m_state = State::Data;
        return;
    }
    // IAC IAC is a 0xFF of the value; anything else is a broken subnegotiation, kept going until
    // its IAC SE.
    if (b == kIac && m_sbLength < m_sb.size())
        m_sb[m_sbLength++] = b;
    m_state = State::Sb;
}

void Reader::endSubnegotiation() {
    if (m_sbLength < 2 || m_sb[0] != kComPort)
        return;
    const unsigned command = m_sb[1];
    if (command <= kServerOffset || command > kServerOffset + kSetStopSize)
        return;
    m_comPortReplies |= 1u << (command - kServerOffset);
    if (command == kServerOffset + kSetBaudRate && m_sbLength >= 6)
        m_replyBaud = static_cast<std::uint32_t>(m_sb[2]) << 24 | static_cast<std::uint32_t>(m_sb[3]) << 16 |
                      static_cast<std::uint32_t>(m_sb[4]) << 8 | m_sb[5];
}

std::string Escape(const std::uint8_t* data, std::size_t count) {
    std::string out;
    out.reserve(count + 8);
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(static_cast<char>(data[i]));
        if (data[i] == kIac)
            out.push_back(static_cast<char>(kIac));
    }
    return out;
}

std::string Command(std::uint8_t verb, std::uint8_t option) {
    return {static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(option)};
}

namespace {

std::string Subnegotiation(std::uint8_t command, const std::uint8_t* value, std::size_t count) {
    const std::uint8_t head[] = {kIac, kSb, kComPort, command};
    std::string out(reinterpret_cast<const char*>(head), sizeof head);
    out += Escape(value, count);
    out.push_back(static_cast<char>(kIac));
    out.push_back(static_cast<char>(kSe));
    return out;
}

} // namespace

std::string PortSettings(std::uint32_t baud, std::uint8_t parity, std::uint8_t stopBits) {
    const std::uint8_t rate[] = {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
                                 static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
    const std::uint8_t dataSize = 8;
    // RFC 2217 parity: 1 none, 2 odd, 3 even; stop size: 1 one, 2 two.
    const std::uint8_t parityCode = parity == 1 ? 3 : parity == 2 ? 2 : 1;
    const std::uint8_t stopCode = stopBits == 2 ? 2 : 1;
    return Subnegotiation(kSetBaudRate, rate, sizeof rate) + Subnegotiation(kSetDataSize, &dataSize, 1) +
           Subnegotiation(kSetParity, &parityCode, 1) + Subnegotiation(kSetStopSize, &stopCode, 1);
}

} // namespace uart::detail::telnet
