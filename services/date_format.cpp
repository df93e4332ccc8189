#include "services/date_format.h"

#include <cmath>
#include <cstdint>

#include "jet/civil_date.h"

namespace services {

namespace {

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kEngineEpoch = -jet::kEngineEpochOffset;

std::int64_t engine_day(DateTime value) {
    if (std::isnan(value)) return 0;
    // Clamping first keeps the conversion to an integer defined.
    if (value < kFirstEngineDay) return static_cast<std::int64_t>(kFirstEngineDay);
    if (value > kLastEngineDay) return static_cast<std::int64_t>(kLastEngineDay);
    // The whole part is the day on both sides of zero.
    return static_cast<std::int64_t>(std::trunc(value));
}

void replace_all(std::string& text, std::string_view key, const std::string& value) {
    std::size_t at = text.find(key);
    while (at != std::string::npos) {
        text.replace(at, key.size(), value);
        at = text.find(key, at + value.size());
    }
}

}  // namespace

std::string format_date(DateTime value, std::string_view pattern) {
    const jet::CivilDate date = jet::civil_from_days(engine_day(value) + kEngineEpoch);
    std::string text(pattern);
    replace_all(text, "%y", std::to_string(date.year));
    replace_all(text, "%m", std::to_string(date.month));
    replace_all(text, "%d", std::to_string(date.day));
    return text;
}

}  // namespace services
