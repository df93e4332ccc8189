#include "runtime/headless/http_head.h"

#include <algorithm>
#include <cctype>

namespace runtime::headless {

namespace {

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

bool HttpHead::keeps_connection() const {
    if (!connection) return http11;
    if (connection->find("close") != std::string::npos) return false;
    return http11 || connection->find("keep-alive") != std::string::npos;
}

std::optional<std::size_t> head_end(std::string_view received) {
    // Lines end in CR LF; a bare LF is taken too, as browsers do.
    for (std::size_t at = received.find('\n'); at != std::string_view::npos;
         at = received.find('\n', at + 1)) {
        if (at + 1 < received.size() && received[at + 1] == '\n') return at + 2;
        if (at + 2 < received.size() && received[at + 1] == '\r' && received[at + 2] == '\n')
            return at + 3;
    }
    return std::nullopt;
}

std::optional<HttpHead> parse_head(std::string_view head) {
    const auto line_end = head.find('\n');
    const std::string_view status_line = trim(head.substr(0, line_end));
    // "HTTP/1.1 200 OK": a version, a blank, three digits.
    if (!status_line.starts_with("HTTP/")) return std::nullopt;
    const auto blank = status_line.find(' ');
    if (blank == std::string_view::npos || status_line.size() < blank + 4) return std::nullopt;
    HttpHead parsed;
    // "HTTP/1.0" and "HTTP/1" stay 1.0; "HTTP/1.1", "HTTP/2" and later count as 1.1.
    const std::string_view version = status_line.substr(5, blank - 5);
    parsed.http11 = !version.empty() && version != "1.0" && version != "1" && version[0] != '0';
    for (std::size_t i = blank + 1; i < blank + 4; ++i) {
        const char c = status_line[i];
        if (c < '0' || c > '9') return std::nullopt;
        parsed.status = parsed.status * 10 + (c - '0');
    }
    if (status_line.size() > blank + 4 && status_line[blank + 4] != ' ') return std::nullopt;

    std::string_view rest = line_end == std::string_view::npos ? "" : head.substr(line_end + 1);
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? "" : rest.substr(end + 1);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = trim(line.substr(0, colon));
        const std::string value(trim(line.substr(colon + 1)));
        // The first of a repeated header counts.
        if (same_name(name, "Content-Length") && !parsed.content_length) {
            parsed.content_length = value;
        } else if (same_name(name, "Location") && !parsed.location) {
            parsed.location = value;
        } else if (same_name(name, "Transfer-Encoding")) {
            // The last coding applied decides how the body ends.
            const std::string codings = lower(value);
            parsed.chunked = codings.size() >= 7 && codings.ends_with("chunked");
        } else if (same_name(name, "Connection")) {
            parsed.connection = lower(value);
        }
    }
    return parsed;
}

}  // namespace runtime::headless
