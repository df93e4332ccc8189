#include "tests/stress/text_rules.h"

#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace stress {

namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
constexpr std::string_view kFullWidthColon = "\xEF\xBC\x9A";

std::string replaced(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    std::size_t at = 0;
    for (std::size_t hit; (hit = text.find(from, at)) != std::string_view::npos;) {
        out.append(text.substr(at, hit - at));
        out.append(to);
        at = hit + from.size();
    }
    out.append(text.substr(at));
    return out;
}

// Days since 1970-01-01 of a proleptic Gregorian date (Hinnant's algorithm).
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    std::int64_t year;
    unsigned month, day;
};

Civil civil_from_days(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

constexpr std::int64_t kDaysBefore1970 = 25569;  // 1899-12-30 to 1970-01-01

Civil civil_of(double days) {
    return civil_from_days(static_cast<std::int64_t>(std::trunc(days)) - kDaysBefore1970);
}

char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool starts_ignoring_case(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (ascii_lower(text[i]) != ascii_lower(prefix[i])) return false;
    return true;
}

// The few non-ASCII capitals the inputs use, with their small letters.
constexpr std::pair<std::string_view, std::string_view> kCapitals[] = {
    {"\xC3\x89", "\xC3\xA9"},          // É é
    {"\xD0\x96", "\xD0\xB6"},          // Ж ж
    {"\xCE\xA3", "\xCF\x83"},          // Σ σ
    {"\xEF\xBC\xA1", "\xEF\xBD\x81"},  // Ａ ａ
};

std::string folded(std::string_view text) {
    std::string out;
    for (char c : text)
        out += ascii_lower(c);
    for (const auto& [capital, small] : kCapitals)
        out = replaced(out, capital, small);
    return out;
}

}  // namespace

std::string clean_id(std::string_view text) {
    for (;;) {
        if (text.starts_with(' ')) {
            text.remove_prefix(1);
        } else if (text.starts_with(kIdeographicSpace)) {
            text.remove_prefix(kIdeographicSpace.size());
        } else if (text.ends_with(' ')) {
            text.remove_suffix(1);
        } else if (text.ends_with(kIdeographicSpace)) {
            text.remove_suffix(kIdeographicSpace.size());
        } else {
            break;
        }
    }
    std::string s = replaced(text, kFullWidthColon, ":");
    s = replaced(s, " ", "");
    s = replaced(s, "\t", "");
    while (s.find("\r\n\r\n") != std::string::npos)
        s = replaced(s, "\r\n\r\n", "\r\n");
    if (s.starts_with("\r\n")) s.erase(0, 2);
    return s;
}

std::vector<std::string> our_id_entries(std::string_view stored) {
    std::vector<std::string> out;
    std::string piece;
    for (char c : stored) {
        if (c == '\r' || c == '\n') {
            if (!piece.empty()) out.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty()) out.push_back(piece);
    return out;
}

int choose_entry(const std::vector<std::string>& entries, std::string_view remembered) {
    if (remembered.empty()) return -1;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].size() == remembered.size() && starts_ignoring_case(entries[i], remembered))
            return static_cast<int>(i);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (starts_ignoring_case(entries[i], remembered)) return static_cast<int>(i);
    return -1;
}

std::size_t utf16_units(std::string_view utf8) {
    std::size_t n = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) == 0x80) continue;
        n += (c & 0xF8) == 0xF0 ? 2 : 1;
    }
    return n;
}

std::string folded_text(std::string_view text) {
    return folded(text);
}

bool same_text_ignoring_case(std::string_view a, std::string_view b) {
    return folded(a) == folded(b);
}

std::string list_date(double days) {
    const Civil c = civil_of(days);
    return std::to_string(c.year) + "-" + std::to_string(c.month) + "-" + std::to_string(c.day);
}

std::string name_date(double days) {
    const Civil c = civil_of(days);
    return std::to_string(c.year) + std::to_string(c.month) + std::to_string(c.day);
}

std::optional<double> parse_list_date(std::string_view text) {
    unsigned parts[3] = {0, 0, 0};
    std::size_t at = 0;
    for (int p = 0; p < 3; ++p) {
        if (p > 0) {
            if (at >= text.size() || text[at] != '-') return std::nullopt;
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 6)
            parts[p] = parts[p] * 10 + static_cast<unsigned>(text[at++] - '0');
        if (at == start) return std::nullopt;
    }
    if (at != text.size()) return std::nullopt;
    const auto [y, m, d] = parts;
    if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1) return std::nullopt;
    const double day = day_number(y, m, d);
    if (civil_of(day).day != d) return std::nullopt;  // 31 April and the like
    return day;
}

double day_number(std::int64_t year, unsigned month, unsigned day) {
    return static_cast<double>(days_from_civil(year, month, day) + kDaysBefore1970);
}

double local_now() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    const double day = day_number(tm.tm_year + 1900, static_cast<unsigned>(tm.tm_mon + 1),
                                  static_cast<unsigned>(tm.tm_mday));
    return day + (tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec) / 86400.0;
}

std::string days_label(double first, double last) {
    const double n = std::trunc(last - first + 1.0);
    const long long clamped = n >= 2147483647.0    ? 2147483647LL
                              : n <= -2147483648.0 ? -2147483648LL
                                                   : static_cast<long long>(n);
    return "已跟踪了：" + std::to_string(clamped) + "天";
}

std::vector<std::string> chart_legend(int open, int closed) {
    const double total = static_cast<double>(open) + closed;
    if (total <= 0) return {};
    auto line = [total](const char* name, int value) {
        char buf[64];
        std::snprintf(buf, sizeof buf, " %d[%.0f%%]", value, value / total * 100.0);
        return std::string(name) + buf;
    };
    return {"单位:个", line("未成交数量", open), line("已成交数量", closed)};
}

std::string to_gb18030(std::string_view utf8) {
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no GB18030 in iconv");
    std::string in(utf8);
    std::string out(in.size() * 4 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    std::size_t left = in.size(), room = out.size();
    const std::size_t r = iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1)) throw std::runtime_error("text GB18030 cannot hold");
    out.resize(out.size() - room);
    return out;
}

std::string percent_encode(std::string_view bytes) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    auto put = [&](unsigned char b) {
        out += '%';
        out += hex[b >> 4];
        out += hex[b & 15];
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const bool plain = (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') ||
                           (b >= 'A' && b <= 'Z') || b == '.' || b == '-' || b == '_';
        if (plain) {
            out += static_cast<char>(b);
        } else if (b > 126 && i + 1 < bytes.size()) {
            put(b);
            put(static_cast<unsigned char>(bytes[++i]));
        } else {
            put(b);
        }
    }
    return out;
}

int skin_number(std::string_view text) {
    // The selector takes digits only: the number is their value, capped well above 33.
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = std::min(value * 10 + (c - '0'), 1000LL);
    }
    return value >= 1 && value <= 33 ? static_cast<int>(value) : 0;
}

}  // namespace stress
