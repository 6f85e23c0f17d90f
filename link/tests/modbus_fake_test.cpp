// The Modbus exchange of every line, the data page's poll and the settings page's exchanges, on a
// scripted line: the faults of a serial line without a serial line.
#include <gtest/gtest.h>

#include "fake_line.hpp"
#include "tev/link/converter_settings.hpp"
#include "tev/link/data_poll.hpp"
#include "tev/protocol/meter_list.hpp"
#include "tev/protocol/register_map.hpp"

using namespace tev;
using namespace tev::link;
using namespace tev::link::testing;

namespace {

const Bytes kConfigData = {0x0A, 0x36, 0x00, 0x3C, 0x10, 0x02, 0x00, 0x02, 0x00, 0x01};

Bytes ToBytes(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

const SerialSettings kSettings{1, 9600, 0, 8, 0};

} // namespace

TEST(ModbusOnLine, EveryReplyIsJudgedAgainstItsRequest) {
    const Bytes read = ToBytes(protocol::BuildReadRequest(1, 6000, 5));
    const Bytes reply = ReadReply(1, kConfigData);
    const Bytes write = ToBytes(protocol::BuildWriteSingleRequest(1, 6002, 0x1234));
    struct Case {
        const char* what;
        Bytes request;
        Bytes carried;
        ExchangeError error;
        std::uint8_t exceptionCode;
        std::size_t dataBytes;
        std::size_t replyBytes;
    };
    const Case cases[] = {
        {"reply", read, reply, ExchangeError::None, 0, 10, 15},
        {"bytes behind the reply are dropped", read, Join({reply, {0xFF, 0x00}}), ExchangeError::None, 0, 10,
         15},
        {"exception", read, ExceptionReply(1, 0x03, 0x02), ExchangeError::Exception, 0x02, 0, 5},
        {"other slave", read, ReadReply(2, kConfigData), ExchangeError::Mismatch, 0, 0, 15},
        {"other function", read, ReadReply(1, kConfigData, 0x04), ExchangeError::Mismatch, 0, 0, 15},
        {"late reply of a shorter read first", read, Join({ReadReply(1, {0, 1}), reply}),
         ExchangeError::Mismatch, 0, 0, 7},
        {"late reply of another slave first", read, Join({ReadReply(7, {0, 1}), reply}),
         ExchangeError::BadFrame, 0, 0, 22},
        {"noise first", read, Join({{0x00, 0xFF}, reply}), ExchangeError::BadFrame, 0, 0, 17},
        {"cut", read, Cut(reply, 9), ExchangeError::BadFrame, 0, 0, 9},
        {"corrupted CRC", read, Spoilt(reply, 5), ExchangeError::BadFrame, 0, 0, 15},
        {"endless noise", read, Bytes(400, 0x55), ExchangeError::Mismatch, 0, 0, kModbusReplyMax},
        {"silence", read, {}, ExchangeError::Timeout, 0, 0, 0},
        {"write echoed", write, write, ExchangeError::None, 0, 0, 8},
        {"write echoed with another value", write,
         ToBytes(protocol::BuildWriteSingleRequest(1, 6002, 0x1235)), ExchangeError::Mismatch, 0, 0, 8},
    };
    for (const Case& c : cases) {
        FakeLine line;
        line.open(kSettings);
        line.then(c.request, c.carried);
        const ExchangeResult r = line.modbus(c.request, 300);
        EXPECT_EQ(r.error, c.error) << c.what << ": " << ExchangeErrorText(r.error);
        EXPECT_EQ(r.exceptionCode, c.exceptionCode) << c.what;
        EXPECT_EQ(r.data.size(), c.dataBytes) << c.what;
        EXPECT_EQ(r.reply.size(), c.replyBytes) << c.what;
        EXPECT_EQ(line.sent.at(0).maxCount, kModbusReplyMax) << c.what;
    }
}

TEST(ModbusOnLine, NothingIsSentThatCannotBeJudgedOrOnAClosedLine) {
    FakeLine closed;
    EXPECT_EQ(closed.modbus(protocol::BuildReadRequest(1, 6000, 5), 100).error, ExchangeError::NotOpen);
    FakeLine line;
    line.open(kSettings);
    for (const Bytes& bad :
         {Bytes{}, Bytes{0x01, 0x03, 0x17, 0x70}, WithCrc({0x01, 0x05, 0x00, 0x01, 0xFF, 0x00})})
        EXPECT_EQ(line.modbus(bad, 100).error, ExchangeError::WriteFailed) << HexText(bad);
    EXPECT_TRUE(line.sent.empty());
    // A cancel wakes the receive: whatever was on the line is not judged.
    const auto request = protocol::BuildReadRequest(1, 6000, 5);
    line.then({ToBytes(request), ReadReply(1, kConfigData), [&line] { line.cancel(); }, 5});
    const ExchangeResult cancelled = line.modbus(request, 5000);
    EXPECT_EQ(cancelled.error, ExchangeError::Cancelled);
    EXPECT_TRUE(cancelled.data.empty());
}

TEST(DataPollOnLine, EachReplyCountsOnlyWhenItAnswersItsRequest) {
    const Bytes status = ToBytes(DataStatusRequest(1, 3));
    const Bytes values = ToBytes(DataValuesRequest(1, 3));
    const Bytes statusReply = ReadReply(1, {0x01, 0x00});
    const Bytes valuesReply = ReadReply(1, {0x12, 0x34, 0x56, 0x78, 0x00, 0x00, 0x01, 0x00});
    struct Case {
        const char* what;
        Bytes statusCarried;
        Bytes valuesCarried;
        bool status;
        bool values;
    };
    const Case cases[] = {
        {"both", statusReply, valuesReply, true, true},
        {"silent status", {}, valuesReply, false, true},
        {"status reply late in the values read", {}, Join({statusReply, valuesReply}), false, false},
        {"values exception", statusReply, ExceptionReply(1, 0x03, 0x04), true, false},
        {"values of another converter", statusReply, ReadReply(2, Bytes(8, 0)), true, false},
        {"values corrupted", statusReply, Spoilt(valuesReply, 4), true, false},
    };
    for (const Case& c : cases) {
        FakeLine line;
        line.open(kSettings);
        line.then(status, c.statusCarried).then(values, c.valuesCarried);
        const DataPollResult result = RunDataPoll(line, 1, 3);
        EXPECT_EQ(result.entry, 3) << c.what;
        EXPECT_EQ(result.status.has_value(), c.status) << c.what;
        EXPECT_EQ(result.values.has_value(), c.values) << c.what;
        EXPECT_EQ(line.left(), 0u) << c.what;
        for (const Sent& sent : line.sent)
            EXPECT_EQ(sent.timeoutMs, kDataPollTimeoutMs) << c.what;
    }
}

TEST(SettingsOnLine, RefusedCorruptedSilentAndUnopenedWritesAreFailures) {
    Converter converter;
    converter.address = 1;
    converter.baud = 38400;
    const std::vector<std::uint8_t> frame = BuildParityWrite(1, 1).frame;
    struct Case {
        const char* what;
        Bytes carried;
        int openFailures;
        ExchangeError error;
        std::uint8_t exceptionCode;
    };
    const Case cases[] = {
        {"done", WriteReplyTo(frame), 0, ExchangeError::None, 0},
        {"refused", ExceptionReply(1, frame[1], 0x03), 0, ExchangeError::Exception, 0x03},
        {"corrupted", Spoilt(WriteReplyTo(frame), 4), 0, ExchangeError::BadFrame, 0},
        {"silence", {}, 0, ExchangeError::Timeout, 0},
        {"port does not open", {}, 1, ExchangeError::NotOpen, 0},
    };
    for (const Case& c : cases) {
        FakeLine line;
        line.failOpens(c.openFailures);
        if (c.openFailures == 0)
            line.then(frame, c.carried);
        const CommandOutcome outcome = RunSettingsJob(line, converter, {SettingsCommand::Parity, frame, 0});
        EXPECT_EQ(outcome.error, c.error) << c.what << ": " << FailureReason(outcome);
        EXPECT_EQ(outcome.exceptionCode, c.exceptionCode) << c.what;
        EXPECT_EQ(line.left(), 0u) << c.what;
        // At 38400 bit/s the timeout formula gives 0 ms; the page waits at least 100.
        if (!line.sent.empty())
            EXPECT_EQ(line.sent[0].timeoutMs, 100) << c.what;
    }
    EXPECT_EQ(FailureReason({SettingsCommand::TypeAndCount, ExchangeError::Exception, 3}), "异常应答 03");
}

TEST(SettingsOnLine, ReadsKeepWhatAnsweredAndDropWhatDidNot) {
    Converter converter;
    converter.address = 1;
    converter.baud = 9600;
    const Bytes config = ToBytes(protocol::BuildReadRequest(1, protocol::kRegConfigFirst, 5));
    FakeLine line;
    line.then(config, ReadReply(1, kConfigData)).then(config, ReadReply(1, Bytes(8, 0)));
    const auto read = ReadConfiguration(line, converter);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->config.address, 0x0A);
    EXPECT_EQ(read->text, "0A36003C1002000201");
    EXPECT_FALSE(ReadConfiguration(line, converter)); // a reply of 4 registers to a read of 5

    // 40 meters: the second block of secondary addresses is lost, the rest is kept.
    const Bytes low = ToBytes(protocol::BuildSecondaryLowRead(1, 40));
    const Bytes types = ToBytes(protocol::BuildMeterTypesRead(1));
    line.then(low, ReadReplyTo(low, 0x22))
        .then(ToBytes(protocol::BuildSecondaryHighRead(1, 40)), {})
        .then(types, Join({{0x00}, ReadReplyTo(types)}));
    const MeterListRead list = ReadMeterList(line, converter, 40);
    EXPECT_EQ(list.block1, Bytes(2u * low[5], 0x22));
    EXPECT_TRUE(list.block2.empty());
    EXPECT_TRUE(list.types.empty()); // a noise byte in front
    EXPECT_EQ(line.left(), 0u);
}
