#include "dialogs/dates.h"

#include <charconv>
#include <cmath>
#include <ctime>

#include "jet/civil_date.h"
#include "services/numbers.h"

namespace dialogs {

namespace {

std::optional<unsigned> read_number(std::string_view& text) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

bool skip_dash(std::string_view& text) {
    if (!text.starts_with('-')) return false;
    text.remove_prefix(1);
    return true;
}

double engine_day(const jet::CivilDate& date) {
    return static_cast<double>(jet::days_from_civil(date) + jet::kEngineEpochOffset);
}

}  // namespace

double day_of(double date) {
    // The day part of a negative date-time lies toward zero: -1.25 is 1899-12-29, 06:00.
    return std::trunc(date);
}

std::optional<double> parse_list_date(std::string_view text) {
    auto year = read_number(text);
    if (!year || !skip_dash(text)) return std::nullopt;
    auto month = read_number(text);
    if (!month || !skip_dash(text)) return std::nullopt;
    auto day = read_number(text);
    if (!day || !text.empty()) return std::nullopt;
    if (*year < 100 || *year > 9999 || *month < 1 || *month > 12 || *day < 1) return std::nullopt;
    jet::CivilDate date{*year, *month, *day};
    // A day past the month's end would roll over into the next month: not a list date.
    if (jet::civil_from_days(jet::days_from_civil(date)) != date) return std::nullopt;
    return engine_day(date);
}

namespace {

std::function<double()>& other_clock() {
    static std::function<double()> set;
    return set;
}

}  // namespace

void set_clock(std::function<double()> clock) {
    other_clock() = std::move(clock);
}

double now_as_date() {
    if (other_clock()) return other_clock()();
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);  // one thread: the shared buffer is safe
    if (!local) return 0;
    jet::CivilDate date{local->tm_year + 1900, static_cast<unsigned>(local->tm_mon + 1),
                        static_cast<unsigned>(local->tm_mday)};
    double seconds = local->tm_hour * 3600.0 + local->tm_min * 60.0 + local->tm_sec;
    return engine_day(date) + seconds / 86400.0;
}

std::string days_tracked_text(double first_enquiry, double last_follow_up) {
    int days = services::to_integer(last_follow_up - first_enquiry + 1.0);
    return "已跟踪了：" + std::to_string(days) + "天";
}

}  // namespace dialogs
