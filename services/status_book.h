#pragma once
// What the program has learnt of each customer's status, and when: an answer counts for a
// while, then the status is unknown again. Replies that could not be judged yet (the
// service's offline picture was not known) wait here until it is.
#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "services/online_status.h"
#include "services/status_key.h"

namespace services {

class StatusBook {
  public:
    using Clock = std::chrono::steady_clock;
    using Answers = std::vector<std::pair<StatusKey, std::string>>;

    explicit StatusBook(Clock::duration fresh_for) : fresh_for_(fresh_for) {}

    // An answer ("在线" or "") that arrived at `when`; it replaces whatever was known or held.
    void record(const StatusKey& key, std::string text, Clock::time_point when);
    // The status while it is fresh; none when unknown or older than the fresh span.
    std::optional<std::string> known(const StatusKey& key, Clock::time_point now) const;
    bool knows(const StatusKey& key, Clock::time_point now) const;

    // Keeps a picture reply that cannot be judged yet. False when too many different
    // pictures wait already: then the reply is dropped and the status stays unknown.
    bool hold(const StatusKey& key, std::span<const std::uint8_t> body, Clock::time_point when);
    bool holds_any() const { return !held_.empty(); }
    // Judges the waiting replies against `offline`: those now decided are recorded (at the
    // time they arrived) and, when still fresh, returned; the others wait on.
    Answers judge_held(const OfflinePictures& offline, Clock::time_point now);

    // Forgets what can no longer be shown, so that the book does not grow with every ID ever
    // asked.
    void forget_stale(Clock::time_point now);

  private:
    struct Entry {
        std::string text;
        Clock::time_point when;
    };
    struct Held {
        std::shared_ptr<const Bytes> body;
        Clock::time_point when;
    };
    bool fresh(Clock::time_point when, Clock::time_point now) const {
        return now - when < fresh_for_;
    }

    Clock::duration fresh_for_;
    std::map<StatusKey, Entry> known_;
    std::map<StatusKey, Held> held_;
    // Held replies share their bytes: nearly all of them are the same few pictures.
    std::vector<std::shared_ptr<const Bytes>> pictures_;
};

}  // namespace services
