#include "services/status_book.h"

#include <algorithm>

namespace services {

namespace {

// More different pictures than any service has for its statuses.
constexpr std::size_t kMostHeldPictures = 64;

}  // namespace

void StatusBook::record(const StatusKey& key, std::string text, Clock::time_point when) {
    held_.erase(key);
    known_.insert_or_assign(key, Entry{std::move(text), when});
}

std::optional<std::string> StatusBook::known(const StatusKey& key, Clock::time_point now) const {
    const auto found = known_.find(key);
    if (found == known_.end() || !fresh(found->second.when, now)) return std::nullopt;
    return found->second.text;
}

bool StatusBook::knows(const StatusKey& key, Clock::time_point now) const {
    const auto found = known_.find(key);
    return found != known_.end() && fresh(found->second.when, now);
}

bool StatusBook::hold(const StatusKey& key, std::span<const std::uint8_t> body,
                      Clock::time_point when) {
    auto same = std::find_if(pictures_.begin(), pictures_.end(), [&](const auto& picture) {
        return std::equal(picture->begin(), picture->end(), body.begin(), body.end());
    });
    if (same == pictures_.end()) {
        if (pictures_.size() >= kMostHeldPictures) return false;
        pictures_.push_back(std::make_shared<const Bytes>(body.begin(), body.end()));
        same = std::prev(pictures_.end());
    }
    held_.insert_or_assign(key, Held{*same, when});
    return true;
}

StatusBook::Answers StatusBook::judge_held(const OfflinePictures& offline, Clock::time_point now) {
    Answers decided;
    for (auto it = held_.begin(); it != held_.end();) {
        const Verdict verdict = judge_picture(*it->second.body, offline);
        if (verdict != Verdict::offline && verdict != Verdict::online) {
            ++it;
            continue;
        }
        std::string text = verdict == Verdict::online ? std::string(kOnlineText) : std::string();
        if (fresh(it->second.when, now)) decided.emplace_back(it->first, text);
        known_.insert_or_assign(it->first, Entry{std::move(text), it->second.when});
        it = held_.erase(it);
    }
    return decided;
}

void StatusBook::forget_stale(Clock::time_point now) {
    std::erase_if(known_, [&](const auto& entry) { return !fresh(entry.second.when, now); });
    std::erase_if(held_, [&](const auto& entry) { return !fresh(entry.second.when, now); });
    std::erase_if(pictures_, [](const auto& picture) { return picture.use_count() == 1; });
}

}  // namespace services
