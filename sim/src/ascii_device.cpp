// CR-terminated ASCII responder, the frame format of I-7000 style modules.
#include "tev/sim/line.hpp"

#include "cr_line.hpp"

namespace tev::sim {
namespace {

constexpr std::size_t kMaxLine = 255; // longer lines are noise

class AsciiDevice final : public Device {
  public:
    explicit AsciiDevice(std::function<std::optional<std::string>(std::string_view)> answer)
        : m_answer(std::move(answer)) {}

    std::size_t frameLength(std::span<const std::uint8_t> bytes) const override {
        return detail::CrLineLength(bytes);
    }

    Reply answer(std::span<const std::uint8_t> frame, const LineState&) override {
        if (!m_answer || frame.empty() || frame.size() > kMaxLine + 1)
            return {};
        const std::string_view text(reinterpret_cast<const char*>(frame.data()), frame.size() - 1);
        const auto reply = m_answer(text);
        if (!reply)
            return {};
        Reply out;
        out.bytes.assign(reply->begin(), reply->end());
        out.bytes.push_back(detail::kCr);
        out.checksumAt = out.bytes.size() >= 2 ? out.bytes.size() - 2 : 0;
        return out;
    }

  private:
    std::function<std::optional<std::string>(std::string_view)> m_answer;
};

} // namespace

std::shared_ptr<Device> MakeAsciiDevice(std::function<std::optional<std::string>(std::string_view)> answer) {
    return std::make_shared<AsciiDevice>(std::move(answer));
}

} // namespace tev::sim
