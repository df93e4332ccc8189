#include "dialogs/id_text.h"

#include <algorithm>

namespace dialogs {

namespace {

constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";  // U+3000
constexpr std::string_view kFullWidthColon = "\xEF\xBC\x9A";  // U+FF1A

void replace_all(std::string& s, std::string_view from, std::string_view to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

std::string_view trim_blanks(std::string_view s) {
    for (;;) {
        if (s.starts_with(' ')) {
            s.remove_prefix(1);
        } else if (s.starts_with(kFullWidthSpace)) {
            s.remove_prefix(kFullWidthSpace.size());
        } else if (s.ends_with(' ')) {
            s.remove_suffix(1);
        } else if (s.ends_with(kFullWidthSpace)) {
            s.remove_suffix(kFullWidthSpace.size());
        } else {
            return s;
        }
    }
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::string clean_id_text(std::string_view text) {
    std::string s(trim_blanks(text));
    replace_all(s, kFullWidthColon, ":");
    std::erase(s, ' ');
    std::erase(s, '\t');
    while (s.find("\r\n\r\n") != std::string::npos)
        replace_all(s, "\r\n\r\n", "\r\n");
    if (s.starts_with("\r\n")) s.erase(0, 2);
    return s;
}

std::vector<std::string> split_our_ids(std::string_view stored) {
    std::vector<std::string> ids;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= stored.size(); ++i) {
        if (i < stored.size() && stored[i] != '\r' && stored[i] != '\n') continue;
        if (i > start) ids.emplace_back(stored.substr(start, i - start));
        start = i + 1;
    }
    return ids;
}

int choose_our_id(const std::vector<std::string>& entries, std::string_view remembered) {
    if (remembered.empty()) return -1;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (same_ignoring_case(entries[i], remembered)) return static_cast<int>(i);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::string_view e = entries[i];
        if (e.size() >= remembered.size() &&
            same_ignoring_case(e.substr(0, remembered.size()), remembered))
            return static_cast<int>(i);
    }
    return -1;
}

std::size_t stored_length(std::string_view utf8) {
    std::size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) == 0x80) continue;  // continuation byte
        units += c >= 0xF0 ? 2 : 1;        // beyond the BMP: a surrogate pair
    }
    return units;
}

std::string trim_blanks(std::string text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    text.erase(0, first);
    text.erase(text.find_last_not_of(" \t") + 1);
    return text;
}

}  // namespace dialogs
