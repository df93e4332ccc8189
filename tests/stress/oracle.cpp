#include "tests/stress/oracle.h"

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "odbc/datetime.h"
#include "tests/stress/server_sql.h"
#include "tests/stress/text_rules.h"

namespace stress {

namespace {

constexpr const char* kDateFormat = "%Y-%m-%d %H:%M:%S";

// Output and exit status of a shell command.
std::pair<std::string, int> run(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {out, -1};
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
        out.append(buf, n);
    const int status = ::pclose(pipe);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string quoted_path(const std::string& path) {
    return "'" + path + "'";  // our folders hold no single quote
}

// mdbtools turns each UTF-16 unit it cannot convert into "?": a character beyond the BMP
// prints as "??".
std::string as_mdbtools_text(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xF8) == 0xF0) {
            out += "??";
            i += 4;
            continue;
        }
        const char ch = utf8[i++];
        switch (ch) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\"\"";
                break;
            default:
                out += ch;
        }
    }
    return out;
}

std::string text_field(const std::optional<std::string>& s) {
    // mdb-export prints the empty text as it prints a null.
    if (!s || s->empty()) return "NULL";
    return "\"" + as_mdbtools_text(*s) + "\"";
}

std::string date_field(std::optional<double> d) {
    if (!d) return "NULL";
    // mdbtools 1.0 leaves dates before 1899-12-30 or after about the year 4600 unconverted.
    if (*d < 0.0 || *d > 1e6) return "\"1900-01-00 00:00:00\"";
    const auto day = static_cast<long>(*d);
    const auto time = static_cast<long>(std::fabs(*d - static_cast<double>(day)) * 86400.0 + 0.5);
    const std::string date = list_date(static_cast<double>(day));
    // list_date has no leading zeros; mdb-export pads month and day.
    int y = 0, m = 0, dd = 0;
    std::sscanf(date.c_str(), "%d-%d-%d", &y, &m, &dd);
    char buf[64];
    std::snprintf(buf, sizeof buf, "\"%04d-%02d-%02d %02ld:%02ld:%02ld\"", y, m, dd, time / 3600,
                  time / 60 % 60, time % 60);
    return buf;
}

long leading_number(const std::string& line) {
    return std::strtol(line.c_str(), nullptr, 10);
}

std::vector<std::string> body_lines(const std::string& out) {
    std::vector<std::string> lines;
    std::size_t at = out.find('\n');  // after the header
    while (at != std::string::npos && at + 1 < out.size()) {
        const std::size_t end = out.find('\n', at + 1);
        lines.push_back(out.substr(at + 1, end == std::string::npos ? end : end - at - 1));
        at = end;
    }
    std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return leading_number(a) < leading_number(b);
    });
    return lines;
}

// mdb-export keeps about 200,000 bytes of a memo (its bind buffer): a longer note must come
// out as a prefix of at least that much.
constexpr std::size_t kExportBindBytes = 199000;

bool truncated_alike(const Customer& c, const std::string& got) {
    if (c.bs.size() <= kExportBindBytes) return false;
    const std::string expected = exported_line(c);
    const std::string tail =
        std::string("\",") + (c.closed ? "1" : "0") + "," + date_field(c.time3);
    if (!got.ends_with(tail)) return false;
    const std::string head = got.substr(0, got.size() - tail.size());
    return head.size() > kExportBindBytes && expected.starts_with(head);
}

std::string first_difference(const std::string& table, const std::vector<std::string>& expected,
                             const std::vector<std::string>& got,
                             const std::string& reader = "mdb-export") {
    for (std::size_t i = 0; i < std::max(expected.size(), got.size()); ++i) {
        const std::string e = i < expected.size() ? expected[i] : "(no line)";
        const std::string g = i < got.size() ? got[i] : "(no line)";
        if (e == g) continue;
        std::size_t at = 0;
        while (at < e.size() && at < g.size() && e[at] == g[at])
            ++at;
        const std::size_t from = at > 60 ? at - 60 : 0;
        return reader + " " + table + " line " + std::to_string(i + 1) + " (" +
               std::to_string(e.size()) + " bytes expected, " + std::to_string(g.size()) +
               " got) differs from byte " + std::to_string(at) + ": expected ..." +
               e.substr(from, 160) + ", got ..." + g.substr(from, 160);
    }
    return {};
}

}  // namespace

std::string exported_line(const Customer& c) {
    return std::to_string(c.id) + "," + text_field(c.wang) + "," + text_field(c.wang2) + "," +
           date_field(c.time1) + "," + date_field(c.time2) + "," + text_field(c.bs) + "," +
           (c.closed ? "1" : "0") + "," + date_field(c.time3);
}

namespace {

std::string hex_or_null(const std::optional<std::string>& s) {
    if (!s) return "NULL";
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : *s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// A date-time as the server keeps and prints it.
std::string server_time(std::optional<double> d) {
    if (!d) return "NULL";
    auto t = odbc::to_timestamp(*d);
    if (!t) return "(cannot be stored)";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02u:%02u:%02u", t->year, t->month, t->day,
                  t->hour, t->minute, t->second);
    return buf;
}

std::vector<std::string> lines_of(const std::string& out) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < out.size();) {
        std::size_t end = out.find('\n', at);
        if (end == std::string::npos) end = out.size();
        lines.push_back(out.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

}  // namespace

std::string Oracle::compare_server(const StoreModel& store) const {
    std::string why;
    auto customers = server_sql(
        server_,
        "SELECT id || ',' || coalesce(encode(convert_to(wang, 'UTF8'), 'hex'), 'NULL') || ','"
        " || coalesce(encode(convert_to(wang2, 'UTF8'), 'hex'), 'NULL') || ','"
        " || coalesce(to_char(time1, 'YYYY-MM-DD HH24:MI:SS'), 'NULL') || ','"
        " || coalesce(to_char(time2, 'YYYY-MM-DD HH24:MI:SS'), 'NULL') || ','"
        " || coalesce(encode(convert_to(bs, 'UTF8'), 'hex'), 'NULL') || ','"
        " || CASE WHEN yn THEN 't' ELSE 'f' END || ','"
        " || coalesce(to_char(time3, 'YYYY-MM-DD HH24:MI:SS'), 'NULL')"
        " FROM yrkb_com ORDER BY id",
        &why);
    if (!customers) return "psql yrkb_com: " + why;
    std::vector<std::string> expected;
    for (const auto& [id, c] : store.customers)
        expected.push_back(std::to_string(c.id) + "," + hex_or_null(c.wang) + "," +
                           hex_or_null(c.wang2) + "," + server_time(c.time1) + "," +
                           server_time(c.time2) + "," + hex_or_null(c.bs) + "," +
                           (c.closed ? "t" : "f") + "," + server_time(c.time3));
    if (auto d = first_difference("yrkb_com", expected, lines_of(*customers), "psql"); !d.empty())
        return d;
    auto settings =
        server_sql(server_,
                   "SELECT id || ',' || coalesce(encode(convert_to(ww, 'UTF8'), 'hex'), 'NULL')"
                   " FROM vantel_ww ORDER BY id",
                   &why);
    if (!settings) return "psql vantel_ww: " + why;
    const std::vector<std::string> rows = {"1," + hex_or_null(store.our_ids),
                                           "2," + hex_or_null(store.row2_text()),
                                           "3," + hex_or_null(store.skin)};
    return first_difference("vantel_ww", rows, lines_of(*settings), "psql");
}

std::string Oracle::compare(const std::string& path, const StoreModel& store) const {
    if (!server_.empty()) return compare_server(store);
    auto [check, status] = run(jetdump_ + " --check " + quoted_path(path) + " 2>&1");
    if (status != 0 || check != "no faults\n") return "jetdump --check: " + check;

    const std::string exporter = std::string("mdb-export -T '") + kDateFormat + "' -D '" +
                                 kDateFormat + "' -e -0 NULL " + quoted_path(path);
    auto [customers, s1] = run(exporter + " yrkb_com");
    if (s1 != 0) return "mdb-export yrkb_com failed: " + customers;
    std::vector<std::string> expected;
    std::vector<std::string> got = body_lines(customers);
    for (const auto& [id, c] : store.customers) {
        const std::size_t i = expected.size();
        expected.push_back(exported_line(c));
        if (i < got.size() && truncated_alike(c, got[i])) got[i] = expected.back();
    }
    if (auto why = first_difference("yrkb_com", expected, got); !why.empty()) return why;

    auto [settings, s2] = run(exporter + " vantel_ww");
    if (s2 != 0) return "mdb-export vantel_ww failed: " + settings;
    const std::vector<std::string> rows = {"1," + text_field(store.our_ids),
                                           "2," + text_field(store.row2_text()),
                                           "3," + text_field(store.skin)};
    return first_difference("vantel_ww", rows, body_lines(settings));
}

}  // namespace stress
