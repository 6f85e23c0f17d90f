// One poll of the graph display against the simulated measuring module on a pseudo-terminal. Its
// failures are tested on a scripted line (graph_fake_test.cpp).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <mutex>

#include "tev/link/graph_poll.hpp"
#include "tev/sim/line.hpp"
#include "tev/sim/measuring_module.hpp"
#include <tev/uart.h>

using namespace tev;
using namespace tev::link;

namespace {

constexpr int kPort = 13;

// The simulated module, recording the requests it hears.
class Module final : public sim::Device {
  public:
    explicit Module(sim::MeasuringModuleSpec spec) : m_inner(std::move(spec)) {}
    std::size_t frameLength(std::span<const std::uint8_t> bytes) const override {
        return m_inner.frameLength(bytes);
    }
    sim::Reply answer(std::span<const std::uint8_t> frame, const sim::LineState& line) override {
        sim::Reply reply = m_inner.answer(frame, line);
        const std::lock_guard lock(m_mutex);
        m_heard.emplace_back(frame.begin(), frame.end() - 1);
        return reply;
    }
    std::vector<std::string> heard() {
        const std::lock_guard lock(m_mutex);
        return m_heard;
    }

  private:
    sim::MeasuringModule m_inner;
    std::mutex m_mutex;
    std::vector<std::string> m_heard;
};

class GraphLine : public ::testing::Test {
  protected:
    void start(sim::MeasuringModuleSpec spec = {}) {
        m_module = std::make_shared<Module>(std::move(spec));
        m_line.add(m_module);
        m_line.start();
        ::setenv(("TEV_COM" + std::to_string(kPort)).c_str(), m_line.path().c_str(), 1);
    }
    void TearDown() override { m_line.stop(); }
    static GraphSettings on(std::string address, int channel) {
        GraphSettings s;
        s.port = kPort;
        s.address = std::move(address);
        s.channel = channel;
        return s;
    }

    sim::Line m_line;
    std::shared_ptr<Module> m_module;
};

double Elapsed(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

TEST_F(GraphLine, ReadsTheChannelsValuesWithoutWaitingForTheTimeout) {
    start({.address = "01", .sensors = {8, 4, 0, 0, 0, 0, 0, 0}});
    const auto began = std::chrono::steady_clock::now();
    const GraphReading reading = PollGraphModule(on("01", 0));
    EXPECT_LT(Elapsed(began), 400.0); // the 800 ms receive ended when its 39 bytes were in
    ASSERT_TRUE(reading);
    EXPECT_EQ(m_module->heard(), (std::vector<std::string>{"$016", "#010"}));
    EXPECT_EQ(reading.count, 8);
    EXPECT_EQ(reading.received, 39u);
    ASSERT_EQ(reading.values.size(), 8u);
    for (const auto& value : reading.values) {
        ASSERT_TRUE(value);
        EXPECT_NEAR(*value, 25.0, 10.0);
    }
}

TEST_F(GraphLine, OtherAddressAndChannel) {
    start({.address = "A7", .sensors = {8, 4, 0, 0, 0, 0, 0, 0}});
    const GraphReading reading = PollGraphModule(on("A7", 1));
    ASSERT_TRUE(reading);
    EXPECT_EQ(m_module->heard(), (std::vector<std::string>{"$A76", "#A71"}));
    ASSERT_EQ(reading.values.size(), 4u);
    EXPECT_LT(*reading.values[0], 0.0); // channel 1 runs below zero
}

TEST_F(GraphLine, PollClosesThePortForTheNextOpener) {
    start();
    EXPECT_EQ(PollGraphModule(on("02", 0)).status, GraphPollStatus::NoStatus); // nobody at 02
    EXPECT_EQ(OpenLink(kPort, 9600, 8, 0, 0), UART_OK);
    CloseLink(kPort);
}
