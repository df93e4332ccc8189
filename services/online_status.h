#pragma once
// The "状态" column: whether a buyer's 旺旺 ID is online, asked of the messenger's status
// service, which answers every ID with a status picture.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/http.h"
#include "runtime/http_reply.h"

namespace services {

inline constexpr std::string_view kOnlineText = "在线";

// An ID the marketplace cannot have (longer than any member name): what the service answers
// for it is its offline picture, whatever that looks like today.
inline constexpr std::string_view kNoSuchMemberId = "lanqiao_no_such_member_000000000000000";

// The most status requests the program keeps open at once.
inline constexpr std::size_t kMaxParallelProbes = 8;

using Bytes = std::vector<std::uint8_t>;

// The replies that mean "not online". The program carries one picture; the service's own is
// learnt from its answer for kNoSuchMemberId and kept from then on. A different one replaces
// it only once the service has given it twice in a row, so that one odd answer cannot make
// every offline customer look online.
class OfflinePictures {
  public:
    OfflinePictures();

    enum class Change {
        none,       // the reply was no picture (a failure, an error page): nothing learnt
        same,       // the picture already learnt; a new one seen once before is forgotten
        learnt,     // the first picture learnt from the service
        candidate,  // a new picture, seen once: ask again to confirm it
        replaced,   // the new picture seen twice in a row: it is the service's picture now
    };
    // Takes the reply to the request for kNoSuchMemberId.
    Change learn(const runtime::HttpReply& reply);

    // Whether the service's own offline picture is known.
    bool learnt() const { return !learnt_.empty(); }
    // One of the offline pictures: the carried one, or one the service confirmed.
    bool contains(std::span<const std::uint8_t> body) const;
    // The new picture that waits for its confirmation.
    bool unconfirmed(std::span<const std::uint8_t> body) const;

  private:
    Bytes carried_;
    std::vector<Bytes> learnt_;  // the newest last; earlier ones still mean offline
    std::optional<Bytes> candidate_;
};

enum class Verdict {
    no_answer,  // a failure, an error page, not a picture: nothing is known
    offline,    // one of the offline pictures
    online,     // a picture other than the service's confirmed offline picture
    undecided,  // a picture, but the service's offline picture is not known (yet)
};

Verdict judge(const runtime::HttpReply& reply, const OfflinePictures& offline);
// The same for the body of a successful picture reply.
Verdict judge_picture(std::span<const std::uint8_t> body, const OfflinePictures& offline);

// "http://" host "/realonline.aw?v=2&uid=" the percent-encoded ID (UTF-8)
// "&site=cntaobao&s=1&charset=utf-8".
std::string online_status_address(std::string_view host, std::string_view id);

// True when the body starts like a GIF, PNG, JPEG or WebP picture.
bool is_picture(std::span<const std::uint8_t> body);

// "在线" only for a successful (2xx) picture reply that differs from the service's confirmed
// offline picture; the empty text for everything else: offline, not known, a failure.
std::string status_text(const runtime::HttpReply& reply, const OfflinePictures& offline);

// The status of one ID (UTF-8), one request, judged against `offline`. Without a learnt
// offline picture no answer reads online.
std::string probe_online_status(runtime::HttpAdapter& http, std::string_view host,
                                std::string_view id, const OfflinePictures& offline);

// The statuses of a whole list, in list order: first the request for kNoSuchMemberId, then
// one per ID, at most `parallel` open at once. Returns when every request has ended. An empty
// list asks nothing. The program itself asks through StatusPipeline.
std::vector<std::string> probe_online_statuses(runtime::HttpAdapter& http, std::string_view host,
                                               std::span<const std::string> ids,
                                               std::size_t parallel = kMaxParallelProbes);
std::vector<std::string> probe_online_statuses(std::span<const std::string> ids);
// One ID the same way: the service's offline picture first, then the ID.
std::string probe_online_status(std::string_view id);

}  // namespace services
