// CR-terminated ASCII responder, the frame format of I-7000 style modules.
#include "tev/sim/line.hpp"

#include <algorithm>

namespace tev::sim {
namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr std::size_t kMaxLine = 256; // longer input without CR is noise

class AsciiDevice final : public Device {
  public:
    explicit AsciiDevice(std::function<std::optional<std::string>(std::string_view)> answer)
        : m_answer(std::move(answer)) {}

    std::size_t frameLength(std::span<const std::uint8_t> bytes) const override {
        const auto cr = std::find(bytes.begin(), bytes.end(), kCr);
        if (cr != bytes.end())
            return static_cast<std::size_t>(cr - bytes.begin()) + 1;
        return bytes.size() >= kMaxLine ? kNotAFrame : 0;
    }

    Reply answer(std::span<const std::uint8_t> frame, const LineState&) override {
        if (!m_answer || frame.empty())
            return {};
        const std::string_view text(reinterpret_cast<const char*>(frame.data()), frame.size() - 1);
        const auto reply = m_answer(text);
        if (!reply)
            return {};
        Reply out;
        out.bytes.assign(reply->begin(), reply->end());
        out.bytes.push_back(kCr);
        out.checksumAt = out.bytes.size() >= 2 ? out.bytes.size() - 2 : 0;
        return out;
    }

  private:
    std::function<std::optional<std::string>(std::string_view)> m_answer;
};

} // namespace

std::shared_ptr<Device> makeAsciiDevice(std::function<std::optional<std::string>(std::string_view)> answer) {
    return std::make_shared<AsciiDevice>(std::move(answer));
}

} // namespace tev::sim
