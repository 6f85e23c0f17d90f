#include <gtest/gtest.h>

#include <vector>

#include "bytes.hpp"
#include "tev/protocol/crc.hpp"
#include "tev/protocol/modbus_reply.hpp"
#include "tev/protocol/modbus_request.hpp"

using namespace tev::protocol;

namespace {

// Body bytes with their CRC appended, low byte first.
std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> body) {
    AppendModbusCrc(body);
    return body;
}

std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const ModbusRequest8 kReadConfig = BuildReadRequest(1, 6000, 5);
const auto kConfigReply = WithCrc(Bytes("01 03 0A 01 36 00 3C 02 28 00 01 00 01"));

} // namespace

TEST(ModbusReply, AcceptsWellFormedRepliesAndPointsAtData) {
    const auto read = CheckModbusReply(kReadConfig, kConfigReply);
    ASSERT_TRUE(read) << ReplyErrorText(read.error);
    EXPECT_EQ(read.frameLength, 15u);
    EXPECT_EQ(std::vector<std::uint8_t>(read.data.begin(), read.data.end()),
              Bytes("01 36 00 3C 02 28 00 01 00 01"));

    // A write of a single register is answered by its echo.
    const auto write = BuildWriteSingleRequest(1, 6001, 60);
    const auto echo = CheckModbusReply(write, write);
    EXPECT_TRUE(echo);
    EXPECT_TRUE(echo.data.empty());

    // 0x10 is answered by address, function, start and count.
    const std::uint16_t values[] = {1, 2, 3};
    const auto multi = BuildWriteMultipleRequest(7, 7000, values);
    ASSERT_TRUE(multi);
    EXPECT_TRUE(CheckModbusReply(multi.frame, WithCrc(Bytes("07 10 1B 58 00 03"))));
}

TEST(ModbusReply, ReportsEachFault) {
    auto badCrc = kConfigReply;
    badCrc.back() ^= 0x01;
    const auto write = BuildWriteSingleRequest(1, 6001, 60);
    const std::vector<std::uint8_t> writeVec(write.begin(), write.end());
    struct Row {
        const char* what;
        std::vector<std::uint8_t> request;
        std::vector<std::uint8_t> reply;
        ReplyError error;
    };
    const std::vector<std::uint8_t> readReq(kReadConfig.begin(), kReadConfig.end());
    const Row rows[] = {
        {"empty", readReq, {}, ReplyError::NoReply},
        {"one byte", readReq, Bytes("01"), ReplyError::TooShort},
        {"truncated", readReq, std::vector<std::uint8_t>(kConfigReply.begin(), kConfigReply.end() - 3),
         ReplyError::TooShort},
        {"bad CRC", readReq, badCrc, ReplyError::BadCrc},
        {"other slave", readReq, WithCrc(Bytes("02 03 0A 01 36 00 3C 02 28 00 01 00 01")),
         ReplyError::WrongAddress},
        {"other function", readReq, WithCrc(Bytes("01 04 02 00 00")), ReplyError::WrongFunction},
        {"byte count", readReq, WithCrc(Bytes("01 03 02 00 00")), ReplyError::BadByteCount},
        {"trailing", readReq, Concat(kConfigReply, Bytes("00")), ReplyError::TrailingBytes},
        {"echo differs", writeVec, WithCrc(Bytes("01 06 17 71 00 3D")), ReplyError::EchoMismatch},
        {"byte count beyond what arrived", readReq, Bytes("01 03 FA 01 36 00 3C 02 28 00 01 00 01 AA BB"),
         ReplyError::TooShort},
        {"exception to a write", writeVec, WithCrc(Bytes("01 86 03")), ReplyError::Exception},
        {"exception of another function", readReq, WithCrc(Bytes("01 86 02")), ReplyError::WrongFunction},
        {"exception from another slave", readReq, WithCrc(Bytes("02 83 02")), ReplyError::WrongAddress},
        {"exception with bytes behind", readReq, Concat(WithCrc(Bytes("01 83 02")), Bytes("00")),
         ReplyError::TrailingBytes},
        {"write echo truncated", writeVec, std::vector<std::uint8_t>(write.begin(), write.end() - 1),
         ReplyError::TooShort},
        {"short request", Bytes("01 03 17"), kConfigReply, ReplyError::BadRequest},
        {"unknown request", Bytes("01 2B 0E 01 00 00"), kConfigReply, ReplyError::BadRequest},
    };
    for (const Row& r : rows) {
        const auto result = CheckModbusReply(r.request, r.reply);
        EXPECT_EQ(result.error, r.error) << r.what << ": " << ReplyErrorText(result.error);
        EXPECT_FALSE(result) << r.what;
        EXPECT_TRUE(result.data.empty()) << r.what;
    }
}

TEST(ModbusReply, ExceptionReplyCarriesItsCode) {
    const auto result = CheckModbusReply(kReadConfig, WithCrc(Bytes("01 83 02")));
    EXPECT_EQ(result.error, ReplyError::Exception);
    EXPECT_EQ(result.exceptionCode, 0x02);
    EXPECT_FALSE(result);

    auto corrupt = WithCrc(Bytes("01 83 02"));
    corrupt[2] = 0x03;
    EXPECT_EQ(CheckModbusReply(kReadConfig, corrupt).error, ReplyError::BadCrc);
    EXPECT_EQ(CheckModbusReply(kReadConfig, Bytes("01 83 02")).error, ReplyError::TooShort);
}

TEST(ModbusReply, GarbageBeforeTheFrameIsNamedWithItsOffset) {
    const auto result = CheckModbusReply(kReadConfig, Concat(Bytes("00 FF"), kConfigReply));
    EXPECT_EQ(result.error, ReplyError::GarbageBeforeFrame);
    EXPECT_EQ(result.frameOffset, 2u);
    EXPECT_EQ(result.frameLength, kConfigReply.size());
    EXPECT_FALSE(result);

    // Noise with no valid frame behind it is a wrong address, not garbage before a frame.
    EXPECT_EQ(CheckModbusReply(kReadConfig, Bytes("00 FF 01 03 0A")).error, ReplyError::WrongAddress);
}

TEST(ModbusReply, RoundTripsEveryBuiltRequest) {
    for (std::uint8_t slave : {std::uint8_t{1}, std::uint8_t{0x7F}, std::uint8_t{0xFF}}) {
        for (std::uint16_t count :
             {std::uint16_t{1}, std::uint16_t{4}, std::uint16_t{96}, std::uint16_t{125}}) {
            const auto request = BuildReadRequest(slave, 7000, count);
            std::vector<std::uint8_t> reply{slave, 0x03, static_cast<std::uint8_t>(2 * count)};
            for (unsigned i = 0; i < 2u * count; ++i)
                reply.push_back(static_cast<std::uint8_t>(i));
            const auto result = CheckModbusReply(request, WithCrc(reply));
            ASSERT_TRUE(result) << ReplyErrorText(result.error);
            EXPECT_EQ(result.data.size(), 2u * count);
        }
        const auto write = BuildWriteSingleRequest(slave, 6003, 2);
        EXPECT_TRUE(CheckModbusReply(write, write));
    }
}
