#include "digital_port.hpp"

#include "models.hpp"
#include "transaction.hpp"
#include "wire.hpp"

namespace tev::iomodule::digital {

Command& CardSlot(Command& command, const Call& call) noexcept {
    return command.ch('S').digit(call.arg(TEV_SLOT_ARG7));
}

std::uint16_t WriteBit(const Call& call, const BitModel& row, std::uint32_t bit,
                       std::uint32_t state) noexcept {
    Transaction t(call);
    switch (row.form) {
    case BitForm::Plain:
        t.begin('#').ch('1').digit(bit).ch('0').digit(state);
        break;
    case BitForm::Groups:
        t.begin('#').ch(bit < 8 ? 'A' : 'B').digit(bit % 8).ch('0').digit(state);
        break;
    case BitForm::Card:
        // One hex digit, so the bits 10-15 of a 16-output card stay single characters.
        CardSlot(t.begin('#'), call).ch('1').ch(HexDigit(bit)).ch('0').digit(state);
        break;
    case BitForm::Wide:
        CardSlot(t.begin('@'), call).text("SC").hex(bit, 2).digit(state);
        break;
    }
    return t.run('>', 1);
}

std::uint16_t BitOut(const Call& call, std::span<const BitModel> rows, const BitArgs& args) noexcept {
    if (const auto rc = call.require(false))
        return rc;
    const std::uint32_t state = call.arg(args.stateSlot);
    if (args.stateFirst && state > 1)
        return TEV_MODULE_VALUE_OUT_OF_RANGE;
    const BitModel* row = FindModel(rows, call.model());
    if (!row)
        return TEV_MODULE_MODEL_NOT_SERVED;
    if (state > 1)
        return TEV_MODULE_VALUE_OUT_OF_RANGE;
    const std::uint32_t bit = call.arg(args.bitSlot);
    if (bit > row->maxBit)
        return args.bitCode;
    return WriteBit(call, *row, bit, state);
}

namespace {

std::optional<std::uint32_t> DecodeField(const Reply& reply, const FieldModel& row, bool scan) noexcept {
    const auto text = reply.field(row.pos, row.digits);
    if (!text)
        return std::nullopt;
    return scan ? ParseHex(*text) : DecodeHexDigits(*text);
}

} // namespace

std::uint16_t ReadField(Transaction& t, const PortRead& read) noexcept {
    const Call& call = t.call();
    const FieldModel* row = FindModel(read.rows, call.model());
    if (!row && !read.modelAfter)
        return TEV_MODULE_MODEL_NOT_SERVED;
    const std::uint16_t status = t.exchange();
    if (read.clears)
        call.slots.set(read.slot, 0);
    if (status)
        return status;
    const std::size_t length = row && row->length ? row->length : read.length;
    if (const auto rc = t.expect('!', length))
        return rc;
    if (!row)
        return TEV_MODULE_MODEL_NOT_SERVED;
    const auto value = DecodeField(t.reply(), *row, read.scan);
    if (!value)
        return TEV_MODULE_INVALID_REPLY;
    call.slots.set(read.slot, *value & row->mask);
    return TEV_MODULE_OK;
}

} // namespace tev::iomodule::digital
