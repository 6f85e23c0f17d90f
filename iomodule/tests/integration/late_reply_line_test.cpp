// Replies later than any fixed guard: a module that answers after the caller gave up must not have
// its reading taken as the next module's.
#include <chrono>
#include <thread>

#include "module_line.hpp"

namespace tev::iomodule::testing {
namespace {

class LateReplyLine : public ModuleLine {};

TEST_F(LateReplyLine, ALateReadingIsNeverTakenForTheOtherModule) {
    // Two modules read in turn, 200 ms apart, with a 100 ms timeout; every third reply comes 350 ms
    // late.
    struct Module {
        std::uint8_t address;
        std::uint32_t model;
        float value;
    };
    const Module modules[] = {{0x06, 0x7017, 1.25F}, {0x07, 0x7018, -2.5F}};
    for (const Module& m : modules)
        ASSERT_TRUE(withBank([&](auto& bank) { return bank.setAnalogInput(m.address, 0, m.value); }));
    lineOptions().lateReplyMs = 350;
    lineOptions().lateReplies = -3;
    constexpr int kCalls = 30;
    int wrong = 0;
    int answered = 0;
    for (int i = 0; i < kCalls; ++i) {
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const Module& m = modules[i % 2];
        auto w = block<std::uint16_t>(m.address, m.model);
        w[4] = 100;
        if (AnalogIn(w.data(), m_f.data(), m_command.data(), m_reply.data()) != 0)
            continue;
        ++answered;
        if (std::abs(m_f[0] - m.value) > 0.01F)
            ++wrong;
    }
    // Only the first late reply, before the line has shown how late it answers, may pass.
    EXPECT_LE(wrong, 1) << "of " << answered << " answers in " << kCalls << " calls";
    EXPECT_GE(answered, kCalls / 4) << "the guard must not cost the answers themselves";
}

} // namespace
} // namespace tev::iomodule::testing
