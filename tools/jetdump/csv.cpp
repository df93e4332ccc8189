#include "tools/jetdump/csv.h"

#include "jet/civil_date.h"

#include <cfloat>
#include <cmath>
#include <cstdio>

namespace jetdump {

namespace {

void append_quoted(std::string& out, std::string_view s) {
    out.push_back('"');
    for (std::size_t from = 0;;) {
        std::size_t q = s.find('"', from);
        out.append(s.substr(from, q == std::string_view::npos ? q : q + 1 - from));
        if (q == std::string_view::npos) break;
        out.push_back('"');
        from = q + 1;
    }
    out.push_back('"');
}

// Significant digits as the export tool chooses them: all the type carries, no trailing zeros.
std::string real_text(double v, int digits) {
    if (v == 0 || !std::isfinite(v)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%g", v);
        return buf;
    }
    int decimals = digits - static_cast<int>(std::floor(std::log10(std::fabs(v)))) - 1;
    if (decimals < 0) decimals = 0;
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s;
}

}  // namespace

std::string export_date(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3e6) return "";
    double whole = std::floor(days);
    // Before the epoch the fraction still counts forward from midnight of the whole day.
    double frac = std::fabs(days - std::trunc(days));
    if (days < 0) whole = std::trunc(days);
    long long secs = std::llround(frac * 86400.0);
    if (secs >= 86400) {
        secs -= 86400;
        whole += days < 0 ? -1 : 1;
    }
    jet::CivilDate date =
        jet::civil_from_days(static_cast<std::int64_t>(whole) - jet::kEngineEpochOffset);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02u/%02u/%02lld %02lld:%02lld:%02lld", date.month, date.day,
                  static_cast<long long>((date.year % 100 + 100) % 100), secs / 3600,
                  secs / 60 % 60, secs % 60);
    return buf;
}

std::string csv_header(const jet::TableDef& table) {
    std::string out;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (i) out.push_back(',');
        out += table.columns[i].name;
    }
    return out;
}

std::string csv_line(const jet::TableDef& table, const std::vector<jet::Value>& row) {
    std::string out;
    append_csv_line(out, table, row);
    return out;
}

void append_csv_line(std::string& out, const jet::TableDef& table,
                     const std::vector<jet::Value>& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i) out.push_back(',');
        const jet::Value& v = row[i];
        const jet::Column& c = table.columns[i];
        if (auto b = std::get_if<bool>(&v)) {
            out += *b ? "1" : "0";
        } else if (auto n = std::get_if<std::int64_t>(&v)) {
            out += std::to_string(*n);
        } else if (auto r = std::get_if<double>(&v)) {
            out += real_text(*r, c.type == jet::ColumnType::single ? FLT_DIG : DBL_DIG);
        } else if (auto t = std::get_if<jet::DateTime>(&v)) {
            append_quoted(out, export_date(t->days));
        } else if (auto s = std::get_if<std::string>(&v)) {
            if (!s->empty()) append_quoted(out, *s);  // mdb-export prints empty text like a null
        } else if (auto dec = std::get_if<jet::Decimal>(&v)) {
            out += dec->text;
        } else if (auto bin = std::get_if<jet::Binary>(&v)) {
            append_quoted(out, std::string_view(reinterpret_cast<const char*>(bin->bytes.data()),
                                                bin->bytes.size()));
        }
    }
}

}  // namespace jetdump
