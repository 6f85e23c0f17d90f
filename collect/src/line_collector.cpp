#include "tev/collect/line_collector.hpp"

#include <algorithm>

#include "extra_time_line.hpp"
#include "tev/link/converter_settings.hpp"
#include "tev/link/data_poll.hpp"

namespace tev::collect {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kCancelEvery = std::chrono::milliseconds(20);
constexpr auto kCountAge = std::chrono::hours(1);

} // namespace

LineCollector::LineCollector(LineConfig config, std::uint8_t port, Deliver deliver, Notices& notices)
    : m_config(std::move(config)), m_port(port), m_deliver(std::move(deliver)), m_notices(notices) {
    for (const ConverterEntry& entry : m_config.converters)
        m_watched.push_back({entry, std::nullopt, {}, false, {}});
}

void LineCollector::start() {
    m_stop = false;
    m_done = false;
    m_thread = std::thread([this] { run(); });
}

void LineCollector::stop() {
    if (!m_thread.joinable())
        return;
    m_stop = true;
    std::unique_lock lock(m_mutex);
    // An exchange started just after a cancel would run on: cancel until the thread has ended.
    while (!m_done) {
        m_client.cancel();
        m_wake.notify_all();
        m_wake.wait_for(lock, kCancelEvery);
    }
    lock.unlock();
    m_thread.join();
}

void LineCollector::run() {
    while (!m_stop) {
        const auto began = Clock::now();
        for (Watched& watched : m_watched) {
            if (m_stop)
                break;
            refresh(watched);
        }
        const int minimum = minimumPeriodMs();
        if (minimum > m_config.periodMs && minimum != m_toldPeriodMs) {
            m_notices.say("line " + m_config.port + ": period " + std::to_string(m_config.periodMs) +
                          " ms is below the wire's minimum, refreshing every " + std::to_string(minimum) +
                          " ms");
            m_toldPeriodMs = minimum;
        }
        sleepUntil(began + std::chrono::milliseconds(std::max(minimum, m_config.periodMs)));
    }
    m_client.close();
    const std::lock_guard lock(m_mutex);
    m_done = true;
    m_wake.notify_all();
}

bool LineCollector::sleepUntil(Clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_until(lock, deadline, [this] { return m_stop.load(); });
}

int LineCollector::minimumPeriodMs() const {
    int total = 0;
    for (const Watched& watched : m_watched) {
        if (watched.overview)
            total += link::MinimumPeriodMs(watched.overview->nextPlan(), m_config.rate, m_config.parity);
    }
    return total;
}

std::optional<int> LineCollector::readMeterCount(const Watched& watched) {
    ExtraTimeLine line(m_client, m_config.timeoutMs);
    link::Converter converter;
    converter.port = m_port;
    converter.address = watched.entry.address;
    converter.baud = m_config.rate;
    converter.parity = m_config.parity;
    const auto read = link::ReadConfiguration(line, converter);
    if (!read)
        return std::nullopt;
    return std::min<int>(read->config.meterCount, link::kDataMeterEntries);
}

// The meter count, read before the first refresh and again every kCountAge: a converter set up anew
// in the field is followed. A failed read again later keeps the count known.
bool LineCollector::learnMeterCount(Watched& watched) {
    const auto now = Clock::now();
    if (watched.overview && now - watched.countRead < kCountAge)
        return true;
    const std::optional<int> meters = readMeterCount(watched);
    if (!meters) {
        if (!watched.overview && !watched.failing && !m_stop)
            m_notices.say("line " + m_config.port + ": converter " + watched.entry.name +
                          ": no configuration read (" +
                          (m_client.isOpen() ? "no answer" : m_client.openFailure()) + "), trying again");
        watched.failing = watched.failing || !watched.overview;
        return watched.overview.has_value();
    }
    watched.countRead = now;
    if (watched.overview && watched.overview->meterCount() != *meters)
        m_notices.say("line " + m_config.port + ": converter " + watched.entry.name + ": now " +
                      std::to_string(*meters) + " meters");
    if (!watched.overview || watched.overview->meterCount() != *meters)
        watched.overview.emplace(watched.entry.address, *meters,
                                 watched.overview ? watched.overview->limits() : link::kDefaultBlockLimits);
    return true;
}

void LineCollector::tellFailure(Watched& watched, const link::RefreshStats& stats) {
    const bool failing = stats.failedBlocks > 0;
    if (failing && !watched.failing)
        m_notices.say(
            "line " + m_config.port + ": converter " + watched.entry.name + ": " +
            std::to_string(stats.failedBlocks) + " blocks unanswered (" +
            (m_client.isOpen() ? link::ExchangeErrorText(stats.lastError) : m_client.openFailure()) +
            "), its readings are stale");
    if (!failing && watched.failing)
        m_notices.say("line " + m_config.port + ": converter " + watched.entry.name + ": answering again");
    watched.failing = failing;
}

void LineCollector::refresh(Watched& watched) {
    if (!learnMeterCount(watched))
        return;
    ExtraTimeLine line(m_client, m_config.timeoutMs);
    m_client.open(settings());
    const auto at = link::WallClock::now();
    const link::RefreshStats stats = watched.overview->refresh(line, m_config.rate, m_config.parity, at);
    if (m_stop)
        return;
    tellFailure(watched, stats);
    const std::vector<MeterReading> readings = watched.book.update(watched.overview->rows());
    m_deliver(
        ConverterRefresh{watched.entry.name, watched.entry.address, at, watched.overview->rows(), readings});
}

} // namespace tev::collect
