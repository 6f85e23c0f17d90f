#include "tev/link/line.hpp"

#include "tev/protocol/modbus_frame_rule.hpp"
#include "tev/protocol/modbus_reply.hpp"
#include "tev/protocol/modbus_request.hpp"

namespace tev::link {
namespace {

ExchangeError ReplyErrorOf(protocol::ReplyError error) noexcept {
    using protocol::ReplyError;
    switch (error) {
    case ReplyError::Ok:
        return ExchangeError::None;
    case ReplyError::NoReply:
        return ExchangeError::Timeout;
    case ReplyError::Exception:
        return ExchangeError::Exception;
    case ReplyError::WrongAddress:
    case ReplyError::WrongFunction:
    case ReplyError::BadByteCount:
    case ReplyError::EchoMismatch:
        return ExchangeError::Mismatch;
    case ReplyError::BadRequest:
        return ExchangeError::WriteFailed;
    case ReplyError::TooShort:
    case ReplyError::GarbageBeforeFrame:
    case ReplyError::BadCrc:
    case ReplyError::TrailingBytes:
        break;
    }
    return ExchangeError::BadFrame;
}

// Judges the bytes a Modbus receive brought against the request.
void JudgeModbusReply(std::span<const std::uint8_t> request, ExchangeResult& result) {
    const protocol::ModbusReply check = protocol::CheckModbusReply(request, result.reply);
    result.error = ReplyErrorOf(check.error);
    result.exceptionCode = check.exceptionCode;
    result.data.assign(check.data.begin(), check.data.end());
}

} // namespace

const char* ExchangeErrorText(ExchangeError error) noexcept {
    switch (error) {
    case ExchangeError::None:
        return "成功";
    case ExchangeError::NotOpen:
        return "串口未打开";
    case ExchangeError::WriteFailed:
        return "发送失败";
    case ExchangeError::Timeout:
        return "无应答";
    case ExchangeError::BadFrame:
        return "校验错误";
    case ExchangeError::Mismatch:
        return "应答不符";
    case ExchangeError::Exception:
        return "异常应答";
    case ExchangeError::Cancelled:
        return "已取消";
    }
    return "未知错误";
}

ExchangeResult Line::modbus(std::span<const std::uint8_t> request, std::uint16_t timeoutMs) {
    ExchangeResult result;
    if (protocol::CheckModbusReply(request, {}).error == protocol::ReplyError::BadRequest) {
        result.error = ExchangeError::WriteFailed; // a request no reply could be checked against
        return result;
    }
    protocol::ModbusReplyMatch match = protocol::ModbusMatchFor(request);
    result = exchange(request, timeoutMs, kModbusReplyMax, protocol::ModbusMatchedReplyRule, &match);
    const bool received = result.error == ExchangeError::None || result.error == ExchangeError::Timeout;
    if (received)
        JudgeModbusReply(request, result);
    return result;
}

} // namespace tev::link
