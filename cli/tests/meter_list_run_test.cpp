#include <gtest/gtest.h>

#include "tev/cli/meter_list_run.hpp"

using namespace tev;
using namespace tev::cli;

TEST(MeterListRun, RowsRefusedBeforeAnythingIsSent) {
    using Rows = std::vector<link::MeterListRow>;
    EXPECT_EQ(ImportRowsProblem(Rows{{"123456780107", "01-x"}, {"1a", "02"}}), "");
    for (const Rows& rows : {Rows{{"12345678G107", "01"}}, Rows{{"1234567801071", "01"}}, Rows{{"", "01"}},
                             Rows{{"123456780107", ""}}})
        EXPECT_NE(ImportRowsProblem(rows), "") << rows.front().serial << "|" << rows.front().type;
}

// What the converter reads back is compared as it reads it: 12 upper-case digits, the type in hex.
TEST(MeterListRun, ReadBackComparedWithWhatWasWritten) {
    link::MeterTable written;
    written.count = 3;
    written.entries[0].editedSerial = "1a";
    written.entries[0].editedType = "12";
    written.entries[1].editedSerial = "123456780107";
    written.entries[1].editedType = "5";
    written.entries[2].editedSerial = "99";
    written.entries[2].editedType = "1";
    link::MeterTable read = written;
    read.entries[0].readSerial = "00000000001A";
    read.entries[0].readType = "0C";
    read.entries[1].readSerial = "123456780107";
    read.entries[1].readType = "05";
    read.entries[2].readSerial = "000000000099";
    read.entries[2].readType = ""; // the types block was lost
    EXPECT_EQ(UnconfirmedMeters(written, read), std::vector<std::size_t>{2});
    read.entries[2].readType = "01";
    read.entries[1].readSerial = "123456780108";
    EXPECT_EQ(UnconfirmedMeters(written, read), std::vector<std::size_t>{1});
}
