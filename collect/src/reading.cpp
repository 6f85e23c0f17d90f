#include "tev/collect/reading.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "tev/link/overview_log.hpp"

namespace tev::collect {
namespace {

template <typename T>
void AddNumber(cli::JsonObject& object, std::string_view key, const std::optional<T>& value) {
    if (value)
        object.add(key, static_cast<std::int64_t>(*value));
    else
        object.addNull(key);
}

MeterReading FreshReading(const link::OverviewRow& row) {
    MeterReading reading;
    reading.entry = row.entry;
    reading.stale = false;
    reading.time = row.updated;
    reading.serial = row.values->serial;
    reading.flow = row.values->flow;
    reading.type = row.type;
    reading.link = row.status->link;
    reading.status = row.status->status;
    return reading;
}

} // namespace

void AddReadingFields(cli::JsonObject& object, const MeterReading& reading) {
    if (reading.serial) {
        char text[16];
        std::snprintf(text, sizeof text, "%08d", static_cast<int>(*reading.serial));
        object.add("serial", text);
    } else {
        object.addNull("serial");
    }
    AddNumber(object, "type", reading.type);
    AddNumber(object, "link", reading.link);
    AddNumber(object, "status", reading.status);
    if (reading.flow && std::isfinite(*reading.flow)) {
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, *reading.flow).ptr; // shortest exact form
        object.addRaw("flow", std::string_view(text, static_cast<std::size_t>(end - text)));
    } else
        object.addNull("flow");
    if (reading.time)
        object.add("time", link::IsoTime(*reading.time));
    else
        object.addNull("time");
    object.add("stale", reading.stale);
}

std::string ReadingPayload(const MeterReading& reading) {
    cli::JsonObject object;
    AddReadingFields(object, reading);
    return object.text();
}

std::vector<MeterReading> ReadingBook::update(const std::vector<link::OverviewRow>& rows) {
    std::vector<MeterReading> readings;
    readings.reserve(rows.size());
    for (const link::OverviewRow& row : rows) {
        const auto kept = std::find_if(m_good.begin(), m_good.end(),
                                       [&](const MeterReading& r) { return r.entry == row.entry; });
        if (!row.stale() && row.values && row.status && row.updated) {
            readings.push_back(FreshReading(row));
            if (kept != m_good.end())
                *kept = readings.back();
            else
                m_good.push_back(readings.back());
            continue;
        }
        MeterReading stale;
        if (kept != m_good.end())
            stale = *kept;
        stale.entry = row.entry;
        stale.stale = true;
        readings.push_back(stale);
    }
    return readings;
}

} // namespace tev::collect
