// The converter's Modbus RTU side: framing, function dispatch and exception replies
// (Modbus Application Protocol V1.1b3; Modbus over Serial Line V1.02).
#include "tev/sim/converter.hpp"

#include "tev/protocol/crc.hpp"

namespace tev::sim {
namespace {

// Function codes and exception codes (Modbus Application Protocol, 6 and 7).
constexpr std::uint8_t kRead = 0x03;
constexpr std::uint8_t kWriteSingle = 0x06;
constexpr std::uint8_t kWriteMultiple = 0x10;
constexpr std::uint8_t kIllegalFunction = 0x01;
constexpr std::uint8_t kIllegalDataAddress = 0x02;
constexpr std::uint8_t kIllegalDataValue = 0x03;
constexpr std::uint16_t kMaxRead = 125;
constexpr std::uint16_t kMaxWrite = 123;
constexpr std::size_t kMaxFrame = 256; // Modbus over Serial Line, 2.5.1
constexpr std::uint8_t kBroadcast = 0;

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

void PutWord(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

bool CrcValid(std::span<const std::uint8_t> frame) {
    if (frame.size() < 4)
        return false;
    const auto crc = protocol::ModbusCrc16(frame.first(frame.size() - 2));
    return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == (crc >> 8);
}

Reply Finish(std::vector<std::uint8_t> bytes) {
    const auto crc = protocol::ModbusCrc16(bytes);
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    Reply reply;
    reply.checksumAt = bytes.size() - 1;
    reply.bytes = std::move(bytes);
    return reply;
}

Reply Exception(std::uint8_t address, std::uint8_t function, std::uint8_t code) {
    return Finish({address, static_cast<std::uint8_t>(function | 0x80), code});
}

} // namespace

struct Converter::Request {
    std::span<const std::uint8_t> frame; // without the CRC
    std::uint8_t address = 0;
    std::uint8_t function = 0;
    Clock::time_point at{};
};

Converter::Converter(ConverterConfig config, const std::vector<MeterRecord>& entries) : m_config(config) {
    for (std::size_t i = 0; i < entries.size() && i < m_entries.size(); ++i)
        m_entries[i] = entries[i];
}

std::size_t Converter::frameLength(std::span<const std::uint8_t> bytes) const {
    if (bytes.size() < 2)
        return 0;
    std::size_t length = 0;
    switch (bytes[1]) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
        length = 8;
        break;
    case 0x0F:
    case kWriteMultiple:
        if (bytes.size() < 7)
            return 0;
        length = 9 + std::size_t{bytes[6]};
        break;
    default:
        break;
    }
    if (length != 0) {
        // Bytes whose CRC fails where the frame would end do not start a frame here: the line
        // resynchronises on the next byte, so noise ahead of a request does not swallow it.
        if (bytes.size() < length)
            return 0;
        return CrcValid(bytes.first(length)) ? length : kNotAFrame;
    }
    // A function this converter does not know. Addressed to another slave it cannot be told from
    // noise, so the line moves on; addressed to this one, the frame ends where a valid CRC closes
    // it, as the silence after it would tell a real slave.
    if (bytes[0] != kBroadcast && bytes[0] != config().address)
        return kNotAFrame;
    for (std::size_t n = 4; n <= bytes.size() && n <= kMaxFrame; ++n)
        if (CrcValid(bytes.first(n)))
            return n;
    return bytes.size() >= kMaxFrame ? kNotAFrame : 0;
}

Reply Converter::answer(std::span<const std::uint8_t> frame, const LineState& line) {
    // A slave ignores a damaged frame.
    if (frameLength(frame) != frame.size() || !CrcValid(frame))
        return {};
    std::lock_guard lock(m_mutex);
    const auto rate = ConverterBaud(m_config.baudCode);
    if (!rate || *rate != line.baud)
        return {}; // a frame at another rate is noise to the UART
    Request request{frame.first(frame.size() - 2), frame[0], frame[1], Clock::now()};
    if (request.address != m_config.address && request.address != kBroadcast)
        return {};
    Reply reply = process(request);
    if (request.address == kBroadcast)
        return {}; // broadcasts are carried out, never answered
    return reply;
}

Reply Converter::process(const Request& request) {
    switch (request.function) {
    case kRead:
        return read(request);
    case kWriteSingle:
        if (auto faulty = faultyWrite(request))
            return std::move(*faulty);
        return writeSingle(request);
    case kWriteMultiple:
        if (auto faulty = faultyWrite(request))
            return std::move(*faulty);
        return writeMultiple(request);
    default:
        return Exception(request.address, request.function, kIllegalFunction);
    }
}

Reply Converter::read(const Request& request) {
    const auto start = Word(request.frame, 2);
    const auto count = Word(request.frame, 4);
    if (count == 0 || count > kMaxRead)
        return Exception(request.address, kRead, kIllegalDataValue);
    if (count > m_readLimit)
        return Exception(request.address, kRead, m_readLimitCode);
    std::vector<std::uint8_t> out{request.address, kRead, static_cast<std::uint8_t>(2 * count)};
    for (std::uint32_t reg = start; reg < std::uint32_t{start} + count; ++reg) {
        const auto value =
            reg <= 0xFFFF ? readRegister(static_cast<std::uint16_t>(reg), request.at) : std::nullopt;
        if (!value)
            return Exception(request.address, kRead, kIllegalDataAddress);
        PutWord(out, *value);
    }
    return Finish(std::move(out));
}

Reply Converter::writeSingle(const Request& request) {
    const auto reg = Word(request.frame, 2);
    const auto value = Word(request.frame, 4);
    if (!writable(reg))
        return Exception(request.address, kWriteSingle, kIllegalDataAddress);
    if (!validValue(reg, value))
        return Exception(request.address, kWriteSingle, kIllegalDataValue);
    // The echo goes out under the old address and rate; the change applies to the next frame.
    Reply reply = Finish({request.frame.begin(), request.frame.end()});
    writeRegister(reg, value);
    return reply;
}

Reply Converter::writeMultiple(const Request& request) {
    const auto start = Word(request.frame, 2);
    const auto count = Word(request.frame, 4);
    const std::size_t byteCount = request.frame[6];
    if (count == 0 || count > kMaxWrite || byteCount != 2u * count || request.frame.size() != 7 + byteCount)
        return Exception(request.address, kWriteMultiple, kIllegalDataValue);
    for (std::uint32_t reg = start; reg < std::uint32_t{start} + count; ++reg)
        if (reg > 0xFFFF || !writable(static_cast<std::uint16_t>(reg)))
            return Exception(request.address, kWriteMultiple, kIllegalDataAddress);
    for (std::uint16_t i = 0; i < count; ++i)
        if (!validValue(static_cast<std::uint16_t>(start + i), Word(request.frame, 7 + 2u * i)))
            return Exception(request.address, kWriteMultiple, kIllegalDataValue);
    Reply reply = Finish({request.frame.begin(), request.frame.begin() + 6});
    for (std::uint16_t i = 0; i < count; ++i)
        writeRegister(static_cast<std::uint16_t>(start + i), Word(request.frame, 7 + 2u * i));
    return reply;
}

std::optional<Reply> Converter::faultyWrite(const Request& request) const {
    constexpr std::uint8_t kServerDeviceFailure = 0x04;
    if (m_writeFault == WriteFault::Refuse)
        return Exception(request.address, request.function, kServerDeviceFailure);
    if (m_writeFault == WriteFault::None || request.frame.size() < 6)
        return std::nullopt;
    std::vector<std::uint8_t> echo(request.frame.begin(), request.frame.begin() + 6);
    if (m_writeFault == WriteFault::WrongEcho)
        echo[5] ^= 0x01; // the value (0x06) or the count (0x10) no longer matches the request
    Reply reply = Finish(std::move(echo));
    if (m_writeFault == WriteFault::BadChecksum)
        reply.bytes.back() ^= 0xFF;
    return reply;
}

void Converter::setWriteFault(WriteFault fault) {
    std::lock_guard lock(m_mutex);
    m_writeFault = fault;
}

void Converter::setReadLimit(std::uint16_t maxCount, std::uint8_t code) {
    std::lock_guard lock(m_mutex);
    m_readLimit = maxCount;
    m_readLimitCode = code;
}

ConverterConfig Converter::config() const {
    std::lock_guard lock(m_mutex);
    return m_config;
}

MeterRecord Converter::entry(std::size_t index) const {
    std::lock_guard lock(m_mutex);
    return index < m_entries.size() ? m_entries[index] : MeterRecord{};
}

void Converter::setEntry(std::size_t index, const MeterRecord& record) {
    std::lock_guard lock(m_mutex);
    if (index < m_entries.size())
        m_entries[index] = record;
}

} // namespace tev::sim
