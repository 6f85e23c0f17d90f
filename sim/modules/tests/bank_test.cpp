#include "bank_fixture.hpp"

namespace tev::sim::test {
namespace {

TEST(ModuleBankSetup, RefusesUnknownModelsAndTakenAddresses) {
    ModuleBank bank;
    EXPECT_TRUE(bank.addModule({"7017", 0x01}));
    EXPECT_FALSE(bank.addModule({"7017", 0x01}));
    EXPECT_FALSE(bank.addModule({"9999", 0x02}));
    EXPECT_FALSE(bank.addModule({"8017", 0x03})); // a card needs a unit
    EXPECT_TRUE(bank.addModule({"8000", 0x04}));
    EXPECT_TRUE(bank.addCard(0x04, 0, "8017"));
    EXPECT_FALSE(bank.addCard(0x04, 0, "8024"));
    EXPECT_FALSE(bank.addCard(0x04, 8, "8024"));
    EXPECT_FALSE(bank.addCard(0x01, 1, "8024"));
    EXPECT_EQ(bank.addresses(), (std::vector<std::uint8_t>{0x01, 0x04}));
}

class Configuration : public BankTest {};

TEST_F(Configuration, ReadsAndChangesConfiguration) {
    add("7017", 0x01);
    add("7012", 0x02);
    run({
        {"$012", "!01080600"},
        {"$01M", "!017017"},
        {"%0103090602", "!03"}, // new address 03, type 09, hex format
        {"$012", std::nullopt},
        {"$032", "!03090602"},
        {"%0302090600", "?03"}, // 02 is taken: two modules may not share it
        {"%0303090700", "!03"},
    });
}

TEST_F(Configuration, ChecksumAndBaudApplyAtPowerOn) {
    add("7012", 0x01);
    run({{"%0101080740", "!01"}, {"$012", "!01080640"}});
    m_bank.powerCycle();
    run({{"$012", std::nullopt}, {WithSum("$012"), WithSum("!01080740")}});
}

TEST(ModuleBankDefault, AnswersEveryModel) {
    auto bank = ModuleBank::makeDefault();
    const auto addresses = bank.addresses();
    EXPECT_GE(addresses.size(), 40u);
    for (const auto a : addresses) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        const std::string cmd = std::string("$") + kHex[a >> 4] + kHex[a & 0xF] + "M";
        SCOPED_TRACE(cmd);
        const auto r = bank.answer(cmd);
        if (!r) {
            EXPECT_TRUE(bank.answer(WithSum(cmd)).has_value());
        }
    }
}

// Every cut and every one-character change of real commands, at every module of the default bank,
// gives an answer or none, never a crash (run under the sanitizers).
TEST(ModuleBankDefault, SurvivesMangledCommands) {
    auto bank = ModuleBank::makeDefault();
    const char* bodies[] = {
        "#",         "#1",          "$6",          "@DI",           "@DO03", "$3012345678", "~31FF",
        "%01080600", "S0C1+05.000", "S1C2AHCS1C2", "S0C3AHU+01.25", "$S06",  "@SC1F1",      "6-10.000+10.000",
        "#A101"};
    const char leads[] = {'#', '$', '@', '%', '~'};
    const char noise[] = {'\0', '0', '9', 'A', 'F', 'G', 'S', 'C', '+', '.', '*', '\x7F'};
    std::size_t answered = 0;
    for (const auto a : bank.addresses()) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        for (const char lead : leads) {
            for (const char* body : bodies) {
                const std::string full = std::string(1, lead) + kHex[a >> 4] + kHex[a & 0xF] + body;
                for (std::size_t cut = 0; cut <= full.size(); ++cut)
                    answered += bank.answer(full.substr(0, cut)).has_value();
                for (std::size_t i = 3; i < full.size(); ++i) {
                    for (const char n : noise) {
                        std::string m = full;
                        m[i] = n;
                        answered += bank.answer(m).has_value();
                    }
                }
            }
        }
    }
    EXPECT_GT(answered, 0u);
}

} // namespace
} // namespace tev::sim::test
