// The subcommands' line: a serial client that, once SIGINT or SIGTERM came, sends nothing more. The
// exchange under way is woken by cancel() (CancelOnInterrupt); every later one ends at once as
// cancelled, so a routine of many exchanges (a refresh of several blocks, a chain of writes) stops
// without waiting out their timeouts.
#pragma once

#include "tev/link/serial_client.hpp"

namespace tev::cli {

class StoppableLine final : public link::Line {
  public:
    StoppableLine() = default;

    std::uint16_t open(const SerialSettings& settings) override { return m_client.open(settings); }
    void close() override { m_client.close(); }
    bool isOpen() const noexcept override { return m_client.isOpen(); }
    std::string openFailure() const override { return m_client.openFailure(); }
    link::ExchangeResult exchange(std::span<const std::uint8_t> request, std::uint16_t timeoutMs,
                                  std::uint16_t maxCount, UartFrameRule rule = nullptr,
                                  void* context = nullptr) override;
    void cancel() noexcept override { m_client.cancel(); }
    void settle() noexcept override { m_client.settle(); }

  private:
    link::SerialClient m_client;
};

} // namespace tev::cli
