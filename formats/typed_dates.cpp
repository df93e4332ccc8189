#include "formats/typed_dates.h"

#include <charconv>
#include <cmath>
#include <string>

#include "formats/utf8.h"
#include "jet/civil_date.h"

namespace formats {

namespace {

class Scanner {
  public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool at_end() const { return text_.empty(); }

    std::optional<unsigned> number(std::size_t max_digits) {
        std::size_t n = 0;
        while (n < text_.size() && n < max_digits + 1 && text_[n] >= '0' && text_[n] <= '9')
            ++n;
        if (n == 0 || n > max_digits) return std::nullopt;
        unsigned value = 0;
        std::from_chars(text_.data(), text_.data() + n, value);
        text_.remove_prefix(n);
        return value;
    }

    bool take(std::string_view what) {
        if (!text_.starts_with(what)) return false;
        text_.remove_prefix(what.size());
        return true;
    }

    bool blanks() {
        const std::size_t n = text_.find_first_not_of(' ');
        const std::size_t skipped = n == std::string_view::npos ? text_.size() : n;
        text_.remove_prefix(skipped);
        return skipped > 0;
    }

  private:
    std::string_view text_;
};

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The separators between year, month and day: "-", "/", "." or 年 and 月 (then 日 after it).
struct Separators {
    std::string_view first, second, last;
};
constexpr Separators kForms[] = {
    {"-", "-", ""}, {"/", "/", ""}, {".", ".", ""}, {"年", "月", "日"}};

std::optional<double> time_of_day(Scanner& s) {
    const auto hour = s.number(2);
    if (!hour || !s.take(":")) return std::nullopt;
    const auto minute = s.number(2);
    if (!minute) return std::nullopt;
    unsigned second = 0;
    if (s.take(":")) {
        const auto sec = s.number(2);
        if (!sec) return std::nullopt;
        second = *sec;
    }
    if (*hour > 23 || *minute > 59 || second > 59) return std::nullopt;
    return (*hour * 3600.0 + *minute * 60.0 + second) / 86400.0;
}

}  // namespace

std::optional<double> parse_typed_date(std::string_view typed) {
    const std::string half = utf8::to_half_width(typed);
    const std::string_view text = trimmed(half);
    for (const Separators& form : kForms) {
        Scanner s(text);
        const auto year = s.number(4);
        if (!year || !s.take(form.first)) continue;
        const auto month = s.number(2);
        if (!month || !s.take(form.second)) continue;
        const auto day = s.number(2);
        if (!day) continue;
        if (!form.last.empty()) s.take(form.last);
        if (*year < 100 || *month < 1 || *month > 12 || *day < 1) return std::nullopt;
        const jet::CivilDate date{*year, *month, *day};
        if (jet::civil_from_days(jet::days_from_civil(date)) != date) return std::nullopt;
        const double days =
            static_cast<double>(jet::days_from_civil(date) + jet::kEngineEpochOffset);
        if (s.at_end()) return days;
        if (!s.blanks() && !s.take("T")) return std::nullopt;
        const auto time = time_of_day(s);
        if (!time || !s.at_end()) return std::nullopt;
        return days + *time;
    }
    return std::nullopt;
}

}  // namespace formats
