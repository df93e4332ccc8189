#pragma once
// Dates as the dialogs handle them: the engine's days since 1899-12-30.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace dialogs {

// A list cell's date ("2014-3-5", leading zeros allowed) at midnight; nullopt when the text
// is no such date.
std::optional<double> parse_list_date(std::string_view text);

// The day a date-time falls on, at midnight: the date a list cell shows of it.
double day_of(double date);

// The current local date and time of day, by the system's clock or the one set below.
double now_as_date();
// Puts another clock in the system's place, giving the local date and time as now_as_date
// does (tests move the date with it); an empty one puts the system's clock back.
void set_clock(std::function<double()> clock);

// "已跟踪了：" N "天", N the whole days from the first enquiry to the last follow-up, plus one.
std::string days_tracked_text(double first_enquiry, double last_follow_up);

}  // namespace dialogs
