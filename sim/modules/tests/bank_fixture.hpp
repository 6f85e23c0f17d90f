// A bank on a settable clock, and a table runner: command line -> expected reply.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tev/sim/module_bank.hpp"

namespace tev::sim::test {

// The byte-sum checksum of the protocol, computed here independently of the simulator.
inline std::string WithSum(std::string_view s) {
    unsigned sum = 0;
    for (const char c : s)
        sum += static_cast<unsigned char>(c);
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string(s) + kHex[(sum >> 4) & 0xF] + kHex[sum & 0xF];
}

struct Exchange {
    std::string command;
    std::optional<std::string> reply; // nullopt: no answer
};

class BankTest : public ::testing::Test {
  protected:
    BankTest() {
        m_bank.setClock([this] { return m_now; });
    }

    void add(std::string model, std::uint8_t address, bool checksum = false,
             std::optional<std::uint8_t> type = std::nullopt, DataFormat format = DataFormat::Engineering) {
        ASSERT_TRUE(m_bank.addModule({std::move(model), address, checksum, type, format}));
    }

    // Runs the exchanges in order; each reply must match exactly.
    void run(const std::vector<Exchange>& rows) {
        for (const auto& r : rows) {
            SCOPED_TRACE(r.command);
            EXPECT_EQ(m_bank.answer(r.command), r.reply);
        }
    }

    ModuleBank m_bank;
    std::int64_t m_now = 0;
};

} // namespace tev::sim::test
