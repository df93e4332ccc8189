#pragma once
// The "状态" column: whether a buyer's 旺旺 ID is online, asked of the messenger's status
// service, which answers every ID with a status picture.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/http.h"
#include "runtime/http_reply.h"

namespace services {

inline constexpr std::string_view kOnlineText = "在线";

// An ID the marketplace cannot have (longer than any member name), asked once per list load:
// what the service answers for it is its offline picture, whatever that looks like today.
inline constexpr std::string_view kNoSuchMemberId = "lanqiao_no_such_member_000000000000000";

// The most requests a list load keeps open at once.
inline constexpr std::size_t kMaxParallelProbes = 8;

// The replies that mean "not online": the picture the program carries and any the service
// was seen to give for an ID that cannot exist.
class OfflinePictures {
  public:
    OfflinePictures();
    // Takes the reply for kNoSuchMemberId as offline too, if it is a picture the service
    // delivered; anything else (a failure, an error page) is ignored. True when it was taken.
    bool learn(const runtime::HttpReply& reply);
    bool contains(std::span<const std::uint8_t> body) const;

  private:
    std::vector<std::vector<std::uint8_t>> pictures_;
};

// "http://" host "/realonline.aw?v=2&uid=" the percent-encoded ID (UTF-8)
// "&site=cntaobao&s=1&charset=utf-8".
std::string online_status_address(std::string_view host, std::string_view id);

// True when the body starts like a GIF, PNG, JPEG or WebP picture.
bool is_picture(std::span<const std::uint8_t> body);

// "在线" only for a successful (2xx) picture reply that is none of the offline pictures;
// the empty text for everything else: offline, a failure, an error page, an empty reply.
std::string status_text(const runtime::HttpReply& reply, const OfflinePictures& offline);

// The status of one ID (UTF-8), one request, judged against `offline` (by default only the
// picture the program carries). A list load uses probe_online_statuses instead.
std::string probe_online_status(runtime::HttpAdapter& http, std::string_view host,
                                std::string_view id, const OfflinePictures& offline = {});
std::string probe_online_status(std::string_view id);

// The statuses of a whole list, in list order: first the request for kNoSuchMemberId, then
// one per ID, at most `parallel` open at once. Returns when every request has ended; the
// texts are those a one-by-one run gives. An empty list asks nothing.
std::vector<std::string> probe_online_statuses(runtime::HttpAdapter& http, std::string_view host,
                                               std::span<const std::string> ids,
                                               std::size_t parallel = kMaxParallelProbes);
std::vector<std::string> probe_online_statuses(std::span<const std::string> ids);

}  // namespace services
