#include "bank_fixture.hpp"

namespace tev::sim::test {
namespace {

class AnalogOut : public BankTest {
  protected:
    void SetUp() override {
        add("7016", 0x01);
        add("7021", 0x02);
        add("7022", 0x03);
        add("7024", 0x04);
        add("87024", 0x05);
        add("87021", 0x06);
        add("7024", 0x07, true);
    }
};

TEST_F(AnalogOut, WritesAndReadBacks) {
    run({
        {"$017+05.000", "!01"},  {"$016", "!01+05.000"},   {"#0210.000", ">"},       {"$026", "!0210.000"},
        {"$028", "!0210.000"},   {"#02+050.00", ">"}, // percent of the 0-10 V range
        {"$026", "!0205.000"},   {"#02800", ">"},     // hex share of 0xFFF
        {"$026", "!0205.001"},   {"#03112.500", ">"},      {"$0361", "!0312.500"},   {"$0381", "!0312.500"},
        {"#043-05.000", ">"},    {"$046C3", "!04-05.000"}, {"$048C3", "!04-05.000"}, {"#053-07.250", ">"},
        {"$0563", "!05-07.250"}, {"#0604.500", ">"},       {"$066", "!0604.500"},
    });
}

TEST_F(AnalogOut, Refusals) {
    run({
        {"#0212.000", "?02"},   // above 10 V
        {"#0322.000", "?03"},   // a 7022 has channels 0 and 1
        {"#03120.500", "?03"},  // 0-20 mA
        {"#044+05.000", "?04"}, // channels 0-3
        {"#043+5.0000", ">"},   // any seven-character number
        {"#043+05.00", "?04"},
        {"$0364", "?03"},
        {"#02AB", "?02"},
        {"$047C3", "?04"},
    });
}

TEST_F(AnalogOut, ChecksumOn) {
    run({
        {WithSum("#070+01.000"), WithSum(">")},
        {WithSum("$076C0"), WithSum("!07+01.000")},
        {"#070+01.000", std::nullopt},
    });
    EXPECT_EQ(m_bank.analogOutput(0x07, 0), 1.0);
}

} // namespace
} // namespace tev::sim::test
