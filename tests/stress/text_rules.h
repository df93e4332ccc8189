#pragma once
// The stress model's own statement of the program's text and date rules, written apart from
// the program's code so that a fault there cannot hide by being copied here.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stress {

// Cleaning of a typed ID or ID list: blanks trimmed at both ends, full-width colons made
// ASCII, spaces and TABs deleted, empty lines collapsed, one leading line break removed.
std::string clean_id(std::string_view text);
// The entries the editor offers for a stored our-ID list: split at every line break.
std::vector<std::string> our_id_entries(std::string_view stored);
// The entry chosen for a remembered our ID: equal first, then the first beginning with it,
// letter case ignored (ASCII); -1 for none or an empty remembered ID.
int choose_entry(const std::vector<std::string>& entries, std::string_view remembered);
// UTF-16 code units of a UTF-8 text: the length the ID columns limit.
std::size_t utf16_units(std::string_view utf8);
// Letter case folded as the database's text comparison folds it.
std::string folded_text(std::string_view text);
// Equality as the database's text comparison: letter case ignored.
bool same_text_ignoring_case(std::string_view a, std::string_view b);

// Days since 1899-12-30 as "Y-M-D" (no leading zeros); the whole part is the day.
std::string list_date(double days);
// "YMD" without separators, for the export's file name.
std::string name_date(double days);
// "Y-M-D" back to midnight of that day; nullopt when it is no such date.
std::optional<double> parse_list_date(std::string_view text);
// The day number of a civil date, and the current local moment (whole seconds).
double day_number(std::int64_t year, unsigned month, unsigned day);
double local_now();
// "已跟踪了：" N "天".
std::string days_label(double first, double last);
// The legend lines of the chart for its two counts.
std::vector<std::string> chart_legend(int open, int closed);

// Bytes as they reach the outside world.
std::string to_gb18030(std::string_view utf8);
std::string percent_encode(std::string_view bytes);

// The skin number a selector text selects, 0 for none.
int skin_number(std::string_view text);

}  // namespace stress
