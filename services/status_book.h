#pragma once
// What the program has learnt of each customer's status, and when: an answer counts for a
// while, then the status is unknown again. Replies that could not be judged yet (the
// service's offline picture was not known) wait here until it is.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
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
    // A customer and its ID, the ID as a 64-bit hash (two IDs of one customer share one by
    // chance once in 2^64), and two words for the answer: a tree node with the ID and the text
    // in strings cost a hundred thousand customers ten megabytes.
    struct Key {
        std::int32_t customer = 0;
        std::uint64_t wang = 0;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const noexcept {
            return static_cast<std::size_t>(k.wang ^
                                            (std::uint64_t(std::uint32_t(k.customer)) << 17));
        }
    };
    struct Entry {
        Clock::time_point when;
        bool online = false;
    };
    static Key key_of(const StatusKey& key);
    struct Held {
        std::shared_ptr<const Bytes> body;
        Clock::time_point when;
    };
    bool fresh(Clock::time_point when, Clock::time_point now) const {
        return now - when < fresh_for_;
    }

    Clock::duration fresh_for_;
    std::unordered_map<Key, Entry, KeyHash> known_;
    std::map<StatusKey, Held> held_;
    // Held replies share their bytes: nearly all of them are the same few pictures.
    std::vector<std::shared_ptr<const Bytes>> pictures_;
};

}  // namespace services
