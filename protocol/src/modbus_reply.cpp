#include "tev/protocol/modbus_reply.hpp"

#include <algorithm>

#include "tev/protocol/crc.hpp"
#include "tev/protocol/modbus_frame_rule.hpp"
#include "tev/protocol/modbus_request.hpp"

namespace tev::protocol {
namespace {

struct RequestHeader {
    std::uint8_t slave = 0;
    std::uint8_t function = 0;
    std::uint16_t count = 0; // register count of a read
};

bool IsRead(std::uint8_t function) noexcept {
    return function == kReadHoldingRegisters || function == kReadInputRegisters;
}

bool ParseRequest(std::span<const std::uint8_t> request, RequestHeader& header) noexcept {
    if (request.size() < 6)
        return false;
    header.slave = request[0];
    header.function = request[1];
    header.count = static_cast<std::uint16_t>((request[4] << 8) | request[5]);
    return IsRead(header.function) || header.function == kWriteSingleRegister ||
           header.function == kWriteMultipleRegisters;
}

// A CRC-valid reply of the request's slave and function starting at `offset`; its length or 0.
std::size_t FrameAt(std::span<const std::uint8_t> reply, std::size_t offset,
                    const RequestHeader& header) noexcept {
    const auto rest = reply.subspan(offset);
    if (rest.size() < 5 || rest[0] != header.slave)
        return 0;
    if (rest[1] != header.function && rest[1] != (header.function | kExceptionFlag))
        return 0;
    const std::size_t length = ModbusReplyLength(rest);
    return length != 0 && ModbusCrcValid(rest.first(length)) ? length : 0;
}

ModbusReply Fail(ReplyError error, std::size_t frameLength = 0) noexcept {
    ModbusReply result;
    result.error = error;
    result.frameLength = frameLength;
    return result;
}

ModbusReply CheckAddress(std::span<const std::uint8_t> reply, const RequestHeader& header) noexcept {
    for (std::size_t offset = 1; offset + 5 <= reply.size(); ++offset) {
        if (const std::size_t length = FrameAt(reply, offset, header)) {
            ModbusReply result = Fail(ReplyError::GarbageBeforeFrame, length);
            result.frameOffset = offset;
            return result;
        }
    }
    return Fail(ReplyError::WrongAddress);
}

ModbusReply CheckException(std::span<const std::uint8_t> reply) noexcept {
    if (reply.size() < 5)
        return Fail(ReplyError::TooShort);
    if (!ModbusCrcValid(reply.first(5)))
        return Fail(ReplyError::BadCrc, 5);
    if (reply.size() > 5)
        return Fail(ReplyError::TrailingBytes, 5);
    ModbusReply result = Fail(ReplyError::Exception, 5);
    result.exceptionCode = reply[2];
    return result;
}

// Byte count of a read, or the echoed register and value/count of a write.
ReplyError CheckBody(std::span<const std::uint8_t> request, std::span<const std::uint8_t> frame,
                     const RequestHeader& header) noexcept {
    if (IsRead(header.function))
        return frame[2] == 2u * header.count ? ReplyError::Ok : ReplyError::BadByteCount;
    return std::equal(frame.begin() + 2, frame.begin() + 6, request.begin() + 2) ? ReplyError::Ok
                                                                                 : ReplyError::EchoMismatch;
}

} // namespace

ModbusReply CheckModbusReply(std::span<const std::uint8_t> request,
                             std::span<const std::uint8_t> reply) noexcept {
    RequestHeader header;
    if (!ParseRequest(request, header))
        return Fail(ReplyError::BadRequest);
    if (reply.empty())
        return Fail(ReplyError::NoReply);
    if (reply[0] != header.slave)
        return CheckAddress(reply, header);
    if (reply.size() < 2)
        return Fail(ReplyError::TooShort);
    if (reply[1] == (header.function | kExceptionFlag))
        return CheckException(reply);
    if (reply[1] != header.function)
        return Fail(ReplyError::WrongFunction);
    const std::size_t length = ModbusReplyLength(reply);
    if (length == 0)
        return Fail(ReplyError::TooShort);
    const auto frame = reply.first(length);
    if (!ModbusCrcValid(frame))
        return Fail(ReplyError::BadCrc, length);
    if (const ReplyError body = CheckBody(request, frame, header); body != ReplyError::Ok)
        return Fail(body, length);
    if (reply.size() > length)
        return Fail(ReplyError::TrailingBytes, length);
    ModbusReply result;
    result.frameLength = length;
    if (IsRead(header.function))
        result.data = frame.subspan(3, frame[2]);
    return result;
}

const char* ReplyErrorText(ReplyError error) noexcept {
    switch (error) {
    case ReplyError::Ok:
        return "ok";
    case ReplyError::NoReply:
        return "no reply";
    case ReplyError::TooShort:
        return "reply too short";
    case ReplyError::GarbageBeforeFrame:
        return "garbage before the reply";
    case ReplyError::WrongAddress:
        return "wrong slave address";
    case ReplyError::WrongFunction:
        return "wrong function code";
    case ReplyError::Exception:
        return "exception reply";
    case ReplyError::BadCrc:
        return "bad CRC";
    case ReplyError::BadByteCount:
        return "bad byte count";
    case ReplyError::EchoMismatch:
        return "write not echoed";
    case ReplyError::TrailingBytes:
        return "bytes after the reply";
    case ReplyError::BadRequest:
        return "unsupported request";
    }
    return "unknown";
}

} // namespace tev::protocol
