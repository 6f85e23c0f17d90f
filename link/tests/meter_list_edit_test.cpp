// The meter list's rows made from the meter table, the checks before a save or "设置", the hand-back.
#include <gtest/gtest.h>

#include "tev/link/converter_settings.hpp"
#include "tev/link/meter_list_edit.hpp"

using namespace tev::link;

namespace {

// The second converter's read loses its second block: its meters 33.. are unread, never the first
// converter's serials, and "设置" would write zeros there.
TEST(MeterListEdit, ALostBlockLeavesItsRowsEmptyNotAnotherConvertersValues) {
    MeterTable table;
    table.count = 40;
    MeterListRead first;
    first.block1.assign(32 * 6, 0x11);
    first.block2.assign(8 * 6, 0x22);
    first.types.assign(40, 0x03);
    ApplyMeterListRead(table, first);
    MeterListRead second = first;
    second.block1.assign(32 * 6, 0x33);
    second.block2.clear();
    ApplyMeterListRead(table, second);
    const auto rows = MeterListRowsOf(table, true, {"00-X", "03-C"});
    ASSERT_EQ(rows.size(), 40u);
    EXPECT_EQ(rows[0], (MeterListRow{"333333333333", "03-C"}));
    EXPECT_EQ(rows[32], (MeterListRow{"", "03-C"}));
    const auto empty = EmptyMeterRows(rows, 40, true);
    EXPECT_EQ(empty.size(), 8u);
    EXPECT_EQ(RowNumbersText(empty, 3), "33, 34, 35, ...");
    EXPECT_TRUE(EmptyMeterRows(rows, 40, false).empty());
}

TEST(MeterListEdit, SerialsThatAreNotHexAreNamed) {
    const std::vector<MeterListRow> rows = {{"12345", ""}, {"00000000000G", ""}, {"1234567890123", ""},
                                            {"", ""},      {"abcdef012345", ""}, {"ZZ", ""}};
    EXPECT_EQ(BadSerialRows(rows, 5), (std::vector<std::size_t>{1, 2}));
}

TEST(MeterListEdit, RowsThatWouldNotReadBackAreNamed) {
    const std::vector<MeterListRow> rows = {{"000000000001", "01-A"}, // fine
                                            {"", ""},                 // an empty record is skipped on import
                                            {"12345", "01-A"}, // short serial takes the type's first bytes
                                            {"000000000004", " 01-A"},
                                            {"000000000005", "01-A "},
                                            {";00000000006", "01-A"},
                                            {"000000000007", "01\n-A"}};
    EXPECT_EQ(RowsNotReadBack(rows, true), (std::vector<std::size_t>{1, 2, 4, 5, 6}));
    EXPECT_EQ(RowsNotReadBack({{"", "01-A"}, {"", ";01"}}, false), (std::vector<std::size_t>{1}));
}

} // namespace
