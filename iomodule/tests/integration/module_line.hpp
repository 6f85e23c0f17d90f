// A pseudo-terminal line with the default simulated module bank, mapped to a COM port for uart.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "tev/sim/line.hpp"
#include "tev/sim/module_bank.hpp"
#include <tev/tev_module.h>
#include <tev/uart.h>

namespace tev::iomodule::testing {

class ModuleLine : public ::testing::Test {
  protected:
    static constexpr std::uint8_t kPort = 211;
    static constexpr std::uint32_t kBaud = 115200;

    void SetUp() override {
        m_line.add(sim::MakeAsciiDevice([this](std::string_view text) {
            const std::lock_guard lock(m_bankMutex);
            return m_bank.answer(text);
        }));
        m_line.start();
        ::setenv(("TEV_COM" + std::to_string(kPort)).c_str(), m_line.path().c_str(), 1);
        ASSERT_EQ(OpenLink(kPort, kBaud, 8, UART_PARITY_NONE, 0), UART_OK);
    }
    void TearDown() override {
        CloseLink(kPort);
        m_line.stop();
    }

    sim::LineOptions& lineOptions() { return m_line.options(); }

    template <class F> auto withBank(F f) {
        const std::lock_guard lock(m_bankMutex);
        return f(m_bank);
    }

    // An argument block for the module at `address` with identifier `model`.
    template <class Slot>
    std::array<Slot, 12> block(std::uint8_t address, std::uint32_t model, bool checksum = false) {
        std::array<Slot, 12> w{};
        w[0] = kPort;
        w[1] = address;
        w[2] = static_cast<Slot>(model);
        w[3] = checksum ? 1 : 0;
        w[4] = 300;
        w[6] = 1;
        return w;
    }

    std::array<float, 8> m_f{};
    std::array<char, 100> m_command{};
    std::array<char, 100> m_reply{};

  private:
    std::mutex m_bankMutex;
    sim::ModuleBank m_bank = sim::ModuleBank::makeDefault();
    sim::Line m_line;
};

} // namespace tev::iomodule::testing
