#include "services/settings_lines.h"

#include <algorithm>

namespace services {

namespace {

std::string_view key_of(std::string_view line) {
    const auto eq = line.find('=');
    return eq == std::string_view::npos ? std::string_view{} : line.substr(0, eq);
}

}  // namespace

SettingsLines::SettingsLines(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        if (end > at) lines_.emplace_back(text.substr(at, end - at));
        at = end;
        if (at < text.size() && text[at] == '\r') ++at;
        if (at < text.size() && text[at] == '\n') ++at;
    }
}

std::optional<std::string> SettingsLines::get(std::string_view key) const {
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
        if (!key.empty() && key_of(*it) == key) return it->substr(key.size() + 1);
    return std::nullopt;
}

void SettingsLines::set(std::string_view key, std::string_view value) {
    value = value.substr(0, value.find_first_of("\r\n"));
    const std::string line = std::string(key) + "=" + std::string(value);
    auto first = std::find_if(lines_.begin(), lines_.end(),
                              [&](const std::string& l) { return key_of(l) == key; });
    if (first == lines_.end()) {
        lines_.push_back(line);
        return;
    }
    *first = line;
    lines_.erase(std::remove_if(first + 1, lines_.end(),
                                [&](const std::string& l) { return key_of(l) == key; }),
                 lines_.end());
}

void SettingsLines::erase(std::string_view key) {
    lines_.erase(std::remove_if(lines_.begin(), lines_.end(),
                                [&](const std::string& l) { return key_of(l) == key; }),
                 lines_.end());
}

std::string SettingsLines::text() const {
    std::string out;
    for (const auto& l : lines_)
        out += l + "\r\n";
    return out;
}

}  // namespace services
