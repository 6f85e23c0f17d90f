// A line that allows every reply `extraMs` more than its exchange asks for: for converters behind a
// gateway or a slow radio link. Everything else goes to the line it wraps.
#pragma once

#include <algorithm>

#include "tev/link/line.hpp"

namespace tev::collect {

class ExtraTimeLine final : public link::Line {
  public:
    ExtraTimeLine(link::Line& line, int extraMs) : m_line(line), m_extraMs(extraMs) {}

    std::uint16_t open(const SerialSettings& settings) override { return m_line.open(settings); }
    void close() override { m_line.close(); }
    bool isOpen() const noexcept override { return m_line.isOpen(); }
    std::string openFailure() const override { return m_line.openFailure(); }
    link::ExchangeResult exchange(std::span<const std::uint8_t> request, std::uint16_t timeoutMs,
                                  std::uint16_t maxCount, UartFrameRule rule = nullptr,
                                  void* context = nullptr) override {
        const int timeout = std::min(timeoutMs + m_extraMs, 65535);
        return m_line.exchange(request, static_cast<std::uint16_t>(timeout), maxCount, rule, context);
    }
    void cancel() noexcept override { m_line.cancel(); }
    void settle() noexcept override { m_line.settle(); }

  private:
    link::Line& m_line;
    int m_extraMs;
};

} // namespace tev::collect
